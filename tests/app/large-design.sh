# Sourced by the process tests: large_design FILE writes a design of 36 coefficients over
# 900,000 sample-size points, a sweep that runs long enough to be stopped or cancelled.
large_design() {
  printf '5 0 5\r\n1 -1 1000\r\n1 9000\r\n1.0\r\n' >"$1"
  local order i
  for order in 6 5 5; do
    for ((i = 1; i <= order; i++)); do
      printf '0 %.0s' $(seq $((i - 1))) >>"$1"
      printf '1\r\n' >>"$1"
    done
  done
  printf '\r\n0.5 0.5 0.5 0.5 0.5\r\n' >>"$1"
}
