# What every SEM test does first: takes ldsgen's path and a work folder from the command line,
# skips (status 77) without lavaan, and reads the shared helpers: data simulated from known
# parameters (simulate.R) and scripts read with lavaan (lavaan_model.R).
args <- commandArgs(trailingOnly = TRUE)
ldsgen <- normalizePath(args[1])
work <- if (length(args) > 1) args[2] else tempfile("ldsgen-sem-")
if (!requireNamespace("lavaan", quietly = TRUE)) {
  cat("skipped: the SEM check needs R's lavaan (Debian: r-base-core r-cran-lavaan)\n")
  quit(status = 77)
}
suppressPackageStartupMessages(library(lavaan))
source(file.path(here, "simulate.R"))
source(file.path(here, "lavaan_model.R"))
dir.create(work, showWarnings = FALSE, recursive = TRUE)
setwd(work)

# A check that fails says so and is counted; the test ends with status 1 if any did.
failures <- 0
fail <- function(...) {
  cat("FAILED:", ..., "\n")
  failures <<- failures + 1
}
