#!/usr/bin/python3
"""The yardstick of the whole-run benchmark: the same sweep written as a planner would write it
in a plain numpy script. It reads a parameter file, builds the expected information matrix of
every sample-size point from the design's moments, inverts it, and writes a table of standard
errors and the covariance matrices in the layout of TAVI's files.

Usage: numpy-yardstick.py PARFILE REPORT COVFILE [REPEATS]
Prints the median time of REPEATS runs (default 5) in milliseconds. Pin the BLAS threads with
OPENBLAS_NUM_THREADS (1 for one core, unset for all).
"""
import statistics
import sys
import time

import numpy as np


def read_design(name):
    tokens = iter(open(name).read().split())
    take = lambda: float(next(tokens))
    k, k1, kw = (int(take()) for _ in range(3))
    n_min, n_step, n_max = (int(take()) for _ in range(3))
    first, second = int(take()), int(take())
    sigma2 = take()

    def lower(order):
        m = np.zeros((order, order))
        for i in range(order):
            for j in range(i + 1):
                m[i, j] = m[j, i] = take()
        return m

    n_random = k - k1 + 1
    tau = lower(n_random)
    within = lower(k)
    between = lower(kw + k1)
    means1 = np.array([take() for _ in range(k1)])
    means2 = np.array([take() for _ in range(kw)])
    return dict(k=k, k1=k1, kw=kw, n=(n_min, abs(n_step), n_max), budget=n_step > 0,
                first=first, second=second, sigma2=sigma2, tau=tau, within=within,
                between=between, means1=means1, means2=means2)


def groups_step(width):
    return 1 if width <= 20 else 2 if width <= 50 else 5 if width <= 100 else 10


def moments(d):
    k1, kw = d["k1"], d["kw"]
    n_random = d["k"] - k1 + 1
    # The within-groups covariance with the constant (no variance) after the fixed-only
    # variables, the between-groups one with the constant before the level-2 variables.
    order = np.r_[np.arange(k1), -1, np.arange(k1, d["k"])]
    sw = np.zeros((d["k"] + 1, d["k"] + 1))
    keep = order >= 0
    sw[np.ix_(keep, keep)] = d["within"][np.ix_(order[keep], order[keep])]
    sb = np.zeros((kw + k1 + 1, kw + k1 + 1))
    sb[1:, 1:] = d["between"]
    mu1 = d["means1"]
    mu2 = np.eye(n_random)[0]
    mu3 = np.r_[1.0, d["means2"]]
    fixed, rand = slice(0, k1), slice(k1, k1 + n_random)
    level2, means = slice(0, kw + 1), slice(kw + 1, kw + 1 + k1)
    inv_mom_r = np.linalg.inv(np.outer(mu2, mu2) + sw[rand, rand])
    within_fr = sw[fixed, rand]
    return dict(
        k1=k1, n_random=n_random, len_w3=kw + 1, mu1=mu1, mu2=mu2, mu3=mu3,
        inv_mom_r=inv_mom_r,
        fixed_within=(sw[fixed, fixed] - within_fr @ inv_mom_r @ within_fr.T) / d["sigma2"],
        fixed_mom=sb[means, means] + np.outer(mu1, mu1),
        fixed_on_random=within_fr @ inv_mom_r,
        fixed_level2_mom=np.outer(mu1, mu3) + sb[means, level2],
        level2_mom=np.outer(mu3, mu3) + sb[level2, level2],
        tau=d["tau"], sigma2=d["sigma2"])


def group_information(m, n):
    """The information of one group of n units about every coefficient."""
    g = np.linalg.inv(m["tau"] + m["sigma2"] / n * m["inv_mom_r"])
    intercept_row = m["mu2"] @ g
    s = intercept_row @ m["mu2"]
    fixed_precision = m["fixed_on_random"] @ g
    fixed = (n * m["fixed_within"] + s * m["fixed_mom"] + fixed_precision @ m["fixed_on_random"].T
             + np.outer(fixed_precision[:, 0], m["mu1"]) + np.outer(m["mu1"], fixed_precision[:, 0]))
    cross = np.kron(fixed_precision, m["mu3"]) + np.kron(intercept_row, m["fixed_level2_mom"])
    random = np.kron(g, m["level2_mom"])
    return np.block([[fixed, cross], [cross.T, random]])


def sweep(d):
    n_min, n_step, n_max = d["n"]
    for n in range(n_min, n_max + 1, n_step):
        if d["budget"]:
            groups = d["first"] // (n + d["second"])
            yield n, [groups], [groups * (n + d["second"])]
        else:
            step = groups_step(d["second"] - d["first"])
            yield n, list(range(d["first"], d["second"] + 1, step)), None


def run(par_file, report_file, cov_file):
    d = read_design(par_file)
    m = moments(d)
    with open(report_file, "w", newline="") as report, open(cov_file, "w", newline="") as cov:
        report.write(time.strftime("Date and time: %x %X\r\n\r\n"))
        cov.write(time.strftime("%x %X\r\n\r\n"))
        for n, groups, costs in sweep(d):
            one = group_information(m, n)
            counts = np.array(groups, dtype=float)
            covariances = np.linalg.inv(counts[:, None, None] * one)
            for i, N in enumerate(groups):
                c = covariances[i]
                se = np.sqrt(np.maximum(np.diag(c), 0.0))
                row = "%7d%6d%6d" % (N * n, N, n)
                if costs:
                    row += "%8d" % costs[i]
                report.write(row + "".join("%9.5f" % v for v in se) + "\r\n")
                cov.write("N = %d ; n     = %d\r\n\r\nCovariance matrix of estimated "
                          "coefficients       \r\n\r\n" % (N, n))
                cov.write("\r\n".join("".join("%13.8f" % v for v in line) for line in c))
                cov.write("\r\n\r\n\r\n")


def main():
    par_file, report_file, cov_file = sys.argv[1:4]
    repeats = int(sys.argv[4]) if len(sys.argv) > 4 else 5
    times = []
    for _ in range(repeats):
        start = time.perf_counter()
        run(par_file, report_file, cov_file)
        times.append(time.perf_counter() - start)
    print("%.1f" % (1000 * statistics.median(times)))


if __name__ == "__main__":
    main()
