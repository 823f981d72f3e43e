# Reading ldsgen's Mplus scripts with lavaan, shared by the SEM tests.
# lavaan's converter misreads a bare "*" before an equality label, so its copy of a script reads
# "y1 (2);" where ldsgen wrote "y1* (2);", and "ly1 (3);" for "ly1*(3);": Mplus reads both the
# same way, as a free parameter with that label.
lavaan_model <- function(script) {
  writeLines(gsub("\\* ?\\(", " (", readLines(script)), "lavaan.inp")
  suppressWarnings(mplus2lavaan("lavaan.inp", run = FALSE))$model
}

# The model as lavaan's converter sets it up (sem() as Mplus does it), not yet fitted, on any
# moments of the right variables.
unfitted <- function(model, variables, start = "default") {
  p <- length(variables)
  covariance <- diag(p)
  dimnames(covariance) <- list(variables, variables)
  suppressWarnings(sem(model, sample.cov = covariance, sample.mean = setNames(rep(0, p), variables),
                       sample.nobs = 500, meanstructure = TRUE, mimic = "Mplus", do.fit = FALSE,
                       start = start))
}

# The free parameters once those held equal by a label count as one.
free_groups <- function(table) {
  free <- table[table$free > 0, ]
  free <- free[order(free$free), ]
  ifelse(free$label != "", free$label, paste0(".free", free$free))
}

free_parameters <- function(model, variables) {
  length(unique(free_groups(parTable(unfitted(model, variables)))))
}

# The rank of the Jacobian of the implied means and covariances with respect to the free
# parameters, at random values (positive variances): full rank means identified.
jacobian_rank <- function(model, variables) {
  table <- parTable(unfitted(model, variables))
  set.seed(7)
  free <- table$free > 0
  variance <- table$op == "~~" & table$lhs == table$rhs
  table$start[free] <- ifelse(variance[free], runif(sum(free), 0.5, 2), runif(sum(free), -0.4, 0.4))
  for (label in unique(table$label[free & table$label != ""]))
    table$start[table$label == label] <- table$start[table$label == label][1]
  table$est <- table$start
  delta <- lavInspect(unfitted(table, variables), "delta")
  groups <- free_groups(table)
  jacobian <- sapply(unique(groups), function(g) rowSums(delta[, groups == g, drop = FALSE]))
  d <- svd(jacobian)$d
  rank <- sum(d > max(d) * 1e-8)
  list(rank = rank, parameters = ncol(jacobian), identified = rank == ncol(jacobian))
}
