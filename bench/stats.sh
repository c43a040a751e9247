# Figures the benchmark scripts share; source it.

# The median of the numbers on standard input (blank-separated).
median() { tr ' ' '\n' | grep . | sort -g | awk '{a[NR]=$1} END {print (NR%2 ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2)}'; }

# The median, over the rounds, of AWK-EXPRESSION with a and b the round's two times (and n as
# given, 1 by default).
paired_median() {  # "A-TIMES" "B-TIMES" AWK-EXPRESSION [N]
  local -a A B; read -ra A <<<"$1"; read -ra B <<<"$2"
  local i; for i in "${!A[@]}"; do
    awk -v a="${A[$i]}" -v b="${B[$i]}" -v n="${4:-1}" "BEGIN{printf \"%.4f \", $3}"
  done | median
}

verdict() { awk -v x="$1" -v t="$2" 'BEGIN{print (x <= t ? "ok" : "MISSED")}'; }
