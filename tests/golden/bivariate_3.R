# lavaan script written by ldsgen: the same model as its Mplus script.
# The bivariate latent difference score model, 3 occasions.
# The variables: y and x.
# Run it with Rscript, or source() it in R. Starting values go in start() terms.
library(lavaan)

# The data as Mplus reads them: values separated by blanks or commas, no header,
# "." for a missing value; the columns named as in the Mplus script.
data_file <- "d.dat"
columns <- c(
  "y1", "y2", "y3",
  "x1", "x2", "x3")
data <- read.table(text = gsub(",", " ", readLines(data_file)), header = FALSE,
                   col.names = columns, na.strings = ".")

model <- '
# For the variable y
# Observed variables and latent levels
ly1 =~ 1*y1
ly2 =~ 1*y2
ly3 =~ 1*y3
# Autoregressive part
ly2 ~ 1*ly1
ly3 ~ 1*ly2
# Difference scores on latent levels
dy1 =~ 1*ly2
dy2 =~ 1*ly3
# Proportional change: the difference score on the level
dy1 ~ beta_y*ly1
dy2 ~ beta_y*ly2
# The slope: constant change in every difference score
sy =~ 1*dy1
sy =~ 1*dy2
# The initial level
y0 =~ 1*ly1
# Means and variances fixed at 0 (means, then variances, at each occasion)
y1 ~ 0*1; ly1 ~ 0*1; dy1 ~ 0*1
ly1 ~~ 0*ly1; dy1 ~~ 0*dy1
y2 ~ 0*1; ly2 ~ 0*1; dy2 ~ 0*1
ly2 ~~ 0*ly2; dy2 ~~ 0*dy2
y3 ~ 0*1; ly3 ~ 0*1
ly3 ~~ 0*ly3
# For the variable x
# Observed variables and latent levels
lx1 =~ 1*x1
lx2 =~ 1*x2
lx3 =~ 1*x3
# Autoregressive part
lx2 ~ 1*lx1
lx3 ~ 1*lx2
# Difference scores on latent levels
dx1 =~ 1*lx2
dx2 =~ 1*lx3
# Proportional change: the difference score on the level
dx1 ~ beta_x*lx1
dx2 ~ beta_x*lx2
# The slope: constant change in every difference score
sx =~ 1*dx1
sx =~ 1*dx2
# The initial level
x0 =~ 1*lx1
# Means and variances fixed at 0 (means, then variances, at each occasion)
x1 ~ 0*1; lx1 ~ 0*1; dx1 ~ 0*1
lx1 ~~ 0*lx1; dx1 ~~ 0*dx1
x2 ~ 0*1; lx2 ~ 0*1; dx2 ~ 0*1
lx2 ~~ 0*lx2; dx2 ~~ 0*dx2
x3 ~ 0*1; lx3 ~ 0*1
lx3 ~~ 0*lx3
# Coupling from y to x: y level on x change
dx1 ~ gamma_yx*ly1
dx2 ~ gamma_yx*ly2
# Coupling from x to y: x level on y change
dy1 ~ gamma_xy*lx1
dy2 ~ gamma_xy*lx2
# Initial levels and slopes: means, variances and covariances
y0 ~ 1
x0 ~ 1
sy ~ 1
sx ~ 1
y0 ~~ y0
x0 ~~ x0
sy ~~ sy
sx ~~ sx
y0 ~~ x0
y0 ~~ sy
y0 ~~ sx
x0 ~~ sy
x0 ~~ sx
sy ~~ sx
# Residual variances, held equal over the occasions
y1 ~~ resvar_y*y1
y2 ~~ resvar_y*y2
y3 ~~ resvar_y*y3
x1 ~~ resvar_x*x1
x2 ~~ resvar_x*x2
x3 ~~ resvar_x*x3
# Residual covariances of the two variables at each occasion, held equal
y1 ~~ rescov_yx*x1
y2 ~~ rescov_yx*x2
y3 ~~ rescov_yx*x3
'

# lavaan() frees nothing of its own: every parameter is stated above.
# Missing values are handled by full-information maximum likelihood.
fit <- lavaan(model, data = data, meanstructure = TRUE, missing = "fiml")
summary(fit, fit.measures = TRUE)
