# Fits the scripts that ldsgen writes with a real SEM engine (lavaan, which reads Mplus input) on
# data simulated from known parameters, and checks that the engine recovers them.
# Each model is fitted at 5 occasions and at the fewest that estimate it well (3 univariate, 4
# bivariate), and the variants (proportional, constant and no change; one-way and no coupling) at
# 5; at 2 occasions the engine must report negative degrees of freedom, the evidence
# behind ldsgen's warning.
# Usage: Rscript recovery.R LDSGEN [WORK_DIR]. Exit 0 when every parameter is recovered within
# 4 standard errors and the model fits; 77 (skipped) when lavaan is not installed; 1 otherwise.
here <- dirname(normalizePath(sub("^--file=", "", grep("^--file=", commandArgs(), value = TRUE))))
source(file.path(here, "setup.R"))

# Runs ldsgen through its dialogue (with the variant's options), fits its script to the data, and
# compares the estimates with the truth. lavaan's converter misreads a bare "*" before an equality
# label, so its copy of the script reads "y1 (2);" where ldsgen wrote "y1* (2);", and "ly1 (3);"
# for "ly1*(3);": Mplus reads both the same way, as a free parameter with that label.
fit_script <- function(model, code, data, options = character()) {
  occasions <- ncol(data) / (code + 1)
  name <- sprintf("%s_%d", model, occasions)
  script <- paste0(name, ".inp")
  unlink(script)
  write.table(round(data, 5), paste0(name, ".dat"), row.names = FALSE, col.names = FALSE)
  status <- system2(ldsgen, options, stdout = FALSE, stderr = FALSE,
                    input = sprintf("%s %d %s.dat %d", script, code, name, occasions))
  if (status != 0) stop("ldsgen exited with status ", status)
  writeLines(gsub("\\* ?\\(", " (", readLines(script)), "lavaan.inp")
  mplus2lavaan("lavaan.inp", run = TRUE)
}

check <- function(model, code, data, truth, options = character()) {
  fit <- fit_script(model, code, data, options)
  model <- sprintf("%s %d %s", model, ncol(data) / (code + 1), paste(options, collapse = " "))
  estimates <- parameterEstimates(fit)
  rows <- lapply(seq_len(nrow(truth)), function(k) {
    t <- truth[k, ]
    hit <- estimates[estimates$lhs == t$lhs & estimates$op == t$op & estimates$rhs == t$rhs, ]
    if (nrow(hit) == 0) hit <- estimates[estimates$lhs == t$rhs & estimates$op == t$op &
                                         estimates$rhs == t$lhs, ]
    if (nrow(hit) == 0) stop("no estimate for ", t$parameter)
    hit <- hit[1, ]
    data.frame(model = model, parameter = t$parameter, true = t$value,
               estimate = round(hit$est, 3), se = round(hit$se, 3),
               z = round((hit$est - t$value) / hit$se, 2))
  })
  table <- do.call(rbind, rows)
  p <- fitMeasures(fit, "pvalue")
  print(table, row.names = FALSE)
  cat(sprintf("%s: chi-square %.2f, df %d, p = %.3f\n\n", model,
              fitMeasures(fit, "chisq"), as.integer(fitMeasures(fit, "df")), p))
  all(abs(table$z) <= 4) && p >= 0.001
}


set.seed(20261208)

# At 2 occasions neither model is identified: more free parameters than means and covariances.
not_identified <- function(model, code, data) {
  df <- suppressWarnings(fitMeasures(fit_script(model, code, data), "df"))
  cat(sprintf("%s 2: %d degrees of freedom\n", model, as.integer(df)))
  df < 0
}

# The variants: each change kind of the univariate model, and one-way and no coupling, with the
# truth of the parameters each keeps.
slope_rows <- grepl("slope", univariate_truth$parameter)
no_coupling <- !grepl("coupling", bivariate_truth$parameter)
recovered <- c(
  check("univariate", 0, simulate_univariate(5), univariate_truth),
  check("univariate", 0, simulate_univariate(3), univariate_truth),
  check("bivariate", 1, simulate_bivariate(5), bivariate_truth),
  check("bivariate", 1, simulate_bivariate(4), bivariate_truth),
  check("univariate", 0, simulate_univariate(5, slope = FALSE),
        univariate_truth[!slope_rows, ], "--change=proportional"),
  check("univariate", 0, simulate_univariate(5, beta = 0),
        univariate_truth[univariate_truth$parameter != "proportional change", ], "--change=constant"),
  check("univariate", 0, simulate_univariate(5, slope = FALSE, beta = 0),
        univariate_truth[!slope_rows & univariate_truth$parameter != "proportional change", ],
        "--change=none"),
  check("bivariate", 1, simulate_bivariate(5, x_to_y = 0),
        bivariate_truth[bivariate_truth$parameter != "coupling x to y", ], "--coupling=y-to-x"),
  check("bivariate", 1, simulate_bivariate(5, x_to_y = 0, y_to_x = 0),
        bivariate_truth[no_coupling, ], "--coupling=none"))
negative <- c(
  not_identified("univariate", 0, simulate_univariate(2)),
  not_identified("bivariate", 1, simulate_bivariate(2)))

if (all(recovered) && all(negative)) {
  cat("recovered: every parameter within 4 standard errors, and every model fits;",
      "at 2 occasions both have negative degrees of freedom\n")
  quit(status = 0)
}
cat("FAILED: a parameter was not recovered, a model did not fit, or 2 occasions gave a model",
    "with degrees of freedom\n")
quit(status = 1)
