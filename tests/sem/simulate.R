# Data simulated from known parameters, and the truth to compare estimates with, shared by the
# SEM tests: the univariate and bivariate dual change models, and their variants.
persons <- 2000

# Draws persons' rows from a normal distribution with the given means and covariance matrix.
draw <- function(means, covariance) {
  z <- matrix(rnorm(persons * length(means)), persons)
  sweep(z %*% chol(covariance), 2, means, "+")
}

parameter <- function(parameter, lhs, op, rhs, value) {
  data.frame(parameter = parameter, lhs = lhs, op = op, rhs = rhs, value = value)
}

# The univariate model.
# Each latent level is the one before plus its difference score: the person's slope plus
# proportional change of the level.
# Without a slope the slope is 0; without proportional change beta is 0.
simulate_univariate <- function(occasions, slope = TRUE, beta = -0.2) {
  factors <- draw(c(10, 2), matrix(c(4, 0.6, 0.6, 1), 2))
  if (!slope) factors[, 2] <- 0
  ly <- matrix(0, persons, occasions)
  ly[, 1] <- factors[, 1]
  for (i in 1:(occasions - 1)) ly[, i + 1] <- ly[, i] + factors[, 2] + beta * ly[, i]
  ly + matrix(rnorm(persons * occasions, sd = sqrt(0.5)), persons)
}
univariate_truth <- rbind(
  parameter("initial level mean", "y0", "~1", "", 10),
  parameter("slope mean", "sy", "~1", "", 2),
  parameter("initial level variance", "y0", "~~", "y0", 4),
  parameter("slope variance", "sy", "~~", "sy", 1),
  parameter("level-slope covariance", "y0", "~~", "sy", 0.6),
  parameter("proportional change", "dy1", "~", "ly1", -0.2),
  parameter("residual variance", "y1", "~~", "y1", 0.5))

# The bivariate model: initial levels y0, x0 and slopes sy, sx; each difference score also
# depends on the other variable's level; residuals of y and x at one occasion correlate.
simulate_bivariate <- function(occasions, x_to_y = 0.1, y_to_x = 0.05) {
  means <- c(10, 5, 2, 1)
  covariance <- matrix(c(4.0, 1.0, 0.6, 0.3,
                         1.0, 2.0, 0.2, 0.4,
                         0.6, 0.2, 1.0, 0.2,
                         0.3, 0.4, 0.2, 0.5), 4)
  factors <- draw(means, covariance)
  ly <- matrix(0, persons, occasions)
  lx <- matrix(0, persons, occasions)
  ly[, 1] <- factors[, 1]
  lx[, 1] <- factors[, 2]
  for (i in 1:(occasions - 1)) {
    ly[, i + 1] <- ly[, i] + factors[, 3] - 0.2 * ly[, i] + x_to_y * lx[, i]
    lx[, i + 1] <- lx[, i] + factors[, 4] - 0.3 * lx[, i] + y_to_x * ly[, i]
  }
  residual <- matrix(c(0.5, 0.15, 0.15, 0.4), 2)
  residuals <- do.call(cbind, lapply(1:occasions, function(i) draw(c(0, 0), residual)))
  y <- ly + residuals[, seq(1, 2 * occasions, 2)]
  x <- lx + residuals[, seq(2, 2 * occasions, 2)]
  cbind(y, x)
}
bivariate_truth <- rbind(
  parameter("initial level mean y", "y0", "~1", "", 10),
  parameter("initial level mean x", "x0", "~1", "", 5),
  parameter("slope mean y", "sy", "~1", "", 2),
  parameter("slope mean x", "sx", "~1", "", 1),
  parameter("initial level variance y", "y0", "~~", "y0", 4),
  parameter("initial level variance x", "x0", "~~", "x0", 2),
  parameter("slope variance y", "sy", "~~", "sy", 1),
  parameter("slope variance x", "sx", "~~", "sx", 0.5),
  parameter("initial levels covariance", "y0", "~~", "x0", 1),
  parameter("level y-slope y covariance", "y0", "~~", "sy", 0.6),
  parameter("proportional change y", "dy1", "~", "ly1", -0.2),
  parameter("proportional change x", "dx1", "~", "lx1", -0.3),
  parameter("coupling x to y", "dy1", "~", "lx1", 0.1),
  parameter("coupling y to x", "dx1", "~", "ly1", 0.05),
  parameter("residual variance y", "y1", "~~", "y1", 0.5),
  parameter("residual variance x", "x1", "~~", "x1", 0.4),
  parameter("residual covariance", "y1", "~~", "x1", 0.15))
