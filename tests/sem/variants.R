# Reads every model ldsgen can write (each change kind for the univariate model; each pair of
# change kinds and each coupling for the bivariate) with a real SEM engine, lavaan, and checks:
# - lavaan counts as many free parameters as the model's definition holds, counted by hand here:
#   no parameter is freed by an engine's default that the model means to be zero;
# - the model is identified (the Jacobian of the implied means and covariances with respect to
#   the free parameters has full column rank) from the number of occasions at which ldsgen stops
#   warning that it is not, and not before.
# Usage: Rscript variants.R LDSGEN [WORK_DIR]. Exit 0 when all hold; 77 (skipped) without
# lavaan; 1 otherwise.
here <- dirname(normalizePath(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE))))
source(file.path(here, "setup.R"))

changes <- c("dual", "proportional", "constant", "none")
couplings <- c("both", "y-to-x", "x-to-y", "none")
variants <- rbind(
  data.frame(model = "uni", y = changes, x = NA, coupling = NA),
  expand.grid(model = "bi", y = changes, x = changes, coupling = couplings,
              stringsAsFactors = FALSE))

# The free parameters by the model's definition: the means, variances and covariances of the
# initial levels and slopes; one proportional change per variable that has it; one coupling per
# direction; the residual variance (and in the bivariate model both variances and their
# covariance), each held equal over the occasions.
expected_parameters <- function(v) {
  slope <- function(change) change %in% c("dual", "constant")
  proportional <- function(change) change %in% c("dual", "proportional")
  if (v$model == "uni") {
    factors <- 1 + slope(v$y)
    return(factors + factors * (factors + 1) / 2 + proportional(v$y) + 1)
  }
  factors <- 2 + slope(v$y) + slope(v$x)
  couplings <- switch(v$coupling, both = 2, "y-to-x" = 1, "x-to-y" = 1, none = 0)
  factors + factors * (factors + 1) / 2 + proportional(v$y) + proportional(v$x) + couplings + 3
}

options_of <- function(v) {
  o <- c("-m", v$model, paste0("--y-change=", v$y))
  if (v$model == "bi") o <- c(o, paste0("--x-change=", v$x), paste0("--coupling=", v$coupling))
  o
}

# ldsgen's script for the variant at n occasions, and what it said on standard error.
script_of <- function(v, n) {
  unlink("v.inp")
  said <- suppressWarnings(system2(ldsgen, c(options_of(v), "-d", "d.dat", "-n", n, "v.inp"),
                                   stdout = FALSE, stderr = TRUE))
  list(model = lavaan_model("v.inp"), said = paste(said, collapse = "\n"))
}

for (k in seq_len(nrow(variants))) {
  v <- variants[k, ]
  name <- paste(na.omit(unlist(v)), collapse = " ")
  variables <- function(n) c(paste0("y", 1:n), if (v$model == "bi") paste0("x", 1:n))
  s <- script_of(v, 5)
  count <- free_parameters(s$model, variables(5))
  if (count != expected_parameters(v))
    fail(name, ": lavaan counts", count, "free parameters, the model has", expected_parameters(v))
  identified <- sapply(2:4, function(n) {
    s <- script_of(v, n)
    r <- jacobian_rank(s$model, variables(n))
    warned <- grepl("not identified", s$said)
    if (warned == r$identified)
      fail(name, "at", n, "occasions: rank", r$rank, "of", r$parameters,
           if (warned) "but ldsgen warns" else "and ldsgen does not warn")
    r$identified
  })
  cat(sprintf("%-34s %2d free parameters; identified at 2, 3, 4 occasions: %s\n", name, count,
              paste(ifelse(identified, "yes", "no"), collapse = ", ")))
}

if (failures == 0) {
  cat("every variant has the free parameters its definition holds, and ldsgen warns exactly",
      "where it is not identified\n")
  quit(status = 0)
}
quit(status = 1)
