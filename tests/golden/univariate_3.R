# lavaan script written by ldsgen: the same model as its Mplus script.
# The univariate latent difference score model, 3 occasions.
# The variable: y.
# Run it with Rscript, or source() it in R. Starting values go in start() terms.
library(lavaan)

# The data as Mplus reads them: values separated by blanks or commas, no header,
# "." for a missing value; the columns named as in the Mplus script.
data_file <- "d.dat"
columns <- c(
  "y1", "y2", "y3")
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
# Initial levels and slopes: means, variances and covariances
y0 ~ 1
sy ~ 1
y0 ~~ y0
sy ~~ sy
y0 ~~ sy
# Residual variances, held equal over the occasions
y1 ~~ resvar_y*y1
y2 ~~ resvar_y*y2
y3 ~~ resvar_y*y3
'

# lavaan() frees nothing of its own: every parameter is stated above.
# Missing values are handled by full-information maximum likelihood.
fit <- lavaan(model, data = data, meanstructure = TRUE, missing = "fiml")
summary(fit, fit.measures = TRUE)
