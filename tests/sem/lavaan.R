# Runs the R scripts ldsgen writes with --lavaan, and checks that each fits the same model as the
# Mplus script beside it:
# - for a covering set of variants (every change kind of each variable, every coupling) at 5
#   occasions, the R script's fit has the log-likelihood and the free parameters of the Mplus
#   script's model fitted by an independent route, lavaan's own Mplus converter;
# - it recovers known parameters within 4 standard errors (dual models at 4 and 5 occasions),
#   also from a data file with an ID column, a covariate and -999 codes, mapped with --columns;
# - it runs under Rscript with its data file at a Windows path with blanks, a path with quotes,
#   and a long path.
# Usage: Rscript lavaan.R LDSGEN [WORK_DIR]. Exit 0 when all hold; 77 (skipped) without lavaan.
here <- dirname(normalizePath(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE))))
source(file.path(here, "setup.R"))
set.seed(20261209)

# Writes the Mplus and R scripts for the data, with the variant's options.
scripts <- function(code, data, options = character(), data_file = "d.dat") {
  occasions <- ncol(data) / (code + 1)
  write.table(round(data, 5), data_file, row.names = FALSE, col.names = FALSE)
  unlink(c("s.inp", "s.R"))
  status <- system2(ldsgen, c(options, "--lavaan=s.R", "-m", code, "-d", shQuote(data_file),
                              "-n", occasions, "s.inp"), stdout = FALSE, stderr = FALSE)
  if (status != 0) stop("ldsgen exited with status ", status)
}

# The R script's own fit, as it leaves it in `fit`; or its model fitted from the estimates of
# another fit, `from`, where the two could otherwise stop at different local maxima.
fit_r_script <- function(from = NULL) {
  env <- new.env()
  capture.output(suppressWarnings(source("s.R", local = env)))
  if (is.null(from)) return(env$fit)
  suppressWarnings(lavaan(env$model, data = env$data, meanstructure = TRUE, missing = "fiml",
                          start = from))
}

# Every change kind of y with each coupling, x's change kind going round with them.
changes <- c("dual", "proportional", "constant", "none")
couplings <- c("both", "y-to-x", "x-to-y", "none")
variants <- lapply(changes, function(y) list(code = 0, options = paste0("--change=", y)))
for (i in seq_along(changes)) for (j in seq_along(couplings)) {
  x <- changes[(i + j - 2) %% 4 + 1]
  variants[[length(variants) + 1]] <- list(
    code = 1, options = c(paste0("--y-change=", changes[i]), paste0("--x-change=", x),
                          paste0("--coupling=", couplings[j])))
}
variants[[length(variants) + 1]] <- list(code = 1, options = c("--y-name=anx", "--x-name=dep",
                                                               "--start=1=-0.2", "--start=7=0.1"))

for (v in variants) {
  name <- paste(c(if (v$code) "bivariate" else "univariate", v$options), collapse = " ")
  data <- if (v$code) simulate_bivariate(5) else simulate_univariate(5)
  scripts(v$code, data, v$options)
  said <- system2(ldsgen, c(v$options, "-m", v$code, "-d", "d.dat", "-n", 5, "-q", "w.inp"),
                  stdout = TRUE, stderr = TRUE)
  unlink("w.inp")
  if (any(grepl("any number of occasions", said))) next  # never identified: no solution to share
  # The same model has the same maximum: started at the converter's solution, the R script's
  # model stays there.
  writeLines(gsub("\\* ?\\(", " (", readLines("s.inp")), "lavaan.inp")
  m <- suppressWarnings(mplus2lavaan("lavaan.inp", run = TRUE))
  r <- fit_r_script(from = m)
  both <- sapply(list(r, m), function(f) fitMeasures(f, c("logl", "npar", "df")))
  cat(sprintf("%-70s log-likelihood %.6f and %.6f, %d and %d parameters\n", name, both[1, 1],
              both[1, 2], as.integer(both[2, 1]), as.integer(both[2, 2])))
  if (abs(both[1, 1] - both[1, 2]) > 1e-6 || both[2, 1] != both[2, 2] || both[3, 1] != both[3, 2])
    fail(name, ": the R script's fit differs from the Mplus script's")
}

# Recovery: the dual models at 4 and 5 occasions, fitted by the R script alone.
within_truth <- function(fit, truth, what = "") {
  estimates <- parameterEstimates(fit)
  for (k in seq_len(nrow(truth))) {
    t <- truth[k, ]
    hit <- estimates[(estimates$lhs == t$lhs & estimates$rhs == t$rhs |
                      estimates$lhs == t$rhs & estimates$rhs == t$lhs) & estimates$op == t$op, ]
    z <- (hit$est[1] - t$value) / hit$se[1]
    if (!is.finite(z) || abs(z) > 4) fail(what, "not recovered:", t$parameter, "z =", round(z, 2))
  }
}
recover <- function(code, data, truth) {
  scripts(code, data)
  within_truth(fit_r_script(), truth)
  cat(sprintf("%s model at %d occasions: every parameter within 4 standard errors\n",
              if (code) "bivariate" else "univariate", ncol(data) / (code + 1)))
}
for (n in 4:5) {
  recover(0, simulate_univariate(n), univariate_truth)
  recover(1, simulate_bivariate(n), bivariate_truth)
}

# A data file as researchers have them: an ID column, a covariate the model does not use, and
# -999 for a missing value. Mapped with --columns, --id and --missing, both scripts read it
# rightly: the Mplus script (fitted through lavaan's converter, which reads NAMES, USEVARIABLE
# and MISSING as Mplus does) and the R script reach one solution and recover the truth.
mapped <- round(simulate_univariate(4), 5)
mapped[matrix(runif(length(mapped)) < 0.1, nrow(mapped))] <- -999
mapped <- cbind(seq_len(nrow(mapped)), mapped, round(rnorm(nrow(mapped), 40, 8)))
write.table(mapped, "mapped.dat", row.names = FALSE, col.names = FALSE)
unlink(c("s.inp", "s.R"))
said <- system2(ldsgen, c("--columns='case y1 y2 y3 y4 age'", "--id=case", "--missing=-999",
                          "--lavaan=s.R", "-q", "-m", 0, "-d", "mapped.dat", "-n", 4, "s.inp"),
                stdout = TRUE, stderr = TRUE)
if (length(said) > 0) fail("the mapped data file drew warnings:", said)
writeLines(gsub("\\* ?\\(", " (", readLines("s.inp")), "lavaan.inp")
m <- suppressWarnings(mplus2lavaan("lavaan.inp", run = TRUE))
r <- fit_r_script()
for (f in list(m, r)) within_truth(f, univariate_truth, "mapped:")
both <- sapply(list(r, m), function(f) fitMeasures(f, c("logl", "ntotal")))
if (abs(both[1, 1] - both[1, 2]) > 1e-4 || any(both[2, ] != nrow(mapped)))
  fail("mapped: the two scripts' fits differ:", both)
cat(sprintf("mapped data file (ID, covariate, -999): %d cases, log-likelihood %.4f and %.4f\n",
            as.integer(both[2, 1]), both[1, 1], both[1, 2]))

# Data at awkward paths, read by the R script run with Rscript.
rscript <- file.path(R.home("bin"), "Rscript")
for (path in c("C:\\My Data\\wave 1.dat", "it's \"here\"/d.dat",
               paste0(paste(rep("a long folder name", 6), collapse = "/"), "/d.dat"))) {
  dir.create(dirname(path), showWarnings = FALSE, recursive = TRUE)
  quoted <- if (grepl(" ", path)) paste0("\"", path, "\"") else path
  scripts(0, simulate_univariate(3), data_file = path)
  file.rename("s.R", "path.R")
  unlink(path)
  write.table(round(simulate_univariate(3), 5), path, row.names = FALSE, col.names = FALSE)
  lines <- readLines("path.R")
  out <- suppressWarnings(system2(rscript, "path.R", stdout = TRUE, stderr = TRUE))
  status <- attr(out, "status")
  if (!is.null(status) || !any(grepl("Loglikelihood user model", out)))
    fail("the R script did not read", path, ":", tail(out, 3))
  if (any(nchar(lines) > 80)) fail("a line of the R script passes 80 columns for", path)
  cat("read the data at", path, "\n")
}

if (failures == 0) {
  cat("the R scripts fit the Mplus scripts' models to the same solution, recover the truth,",
      "and read their data wherever it is\n")
  quit(status = 0)
}
quit(status = 1)
