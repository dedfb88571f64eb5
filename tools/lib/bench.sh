# Figures of the benchmarks. Source this file.
# shellcheck shell=bash

# median VALUE...: the middle value (the mean of the two middle ones for an
# even count), as a whole number.
median() {
  printf '%s\n' "$@" | sort -n |
    awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : int((v[NR / 2] + v[NR / 2 + 1]) / 2) }'
}

# ratio A B: A / B with three decimals.
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a / b }'; }

# round_ratio A B: A / B in thousandths, a whole number, for median().
round_ratio() { echo $(( $1 * 1000 / $2 )); }

# thousandths N: N / 1000 with three decimals.
thousandths() { awk -v n="$1" 'BEGIN { printf "%.3f", n / 1000 }'; }
