#!/bin/sh
# Joins the figures files of several brelto-validate runs (--figures FILE:
# check number, name, status and figures, tab-separated) into one Markdown
# table, a column per run; a check a run left out shows as "not run".
# usage: figures-table.sh TITLE FILE [TITLE FILE ...] > table.md
set -eu
awk -F '\t' '
  BEGIN {
    for (i = 1; i < ARGC; i += 2) { title[++runs] = ARGV[i]; file[ARGV[i + 1]] = runs; ARGV[i] = "" }
  }
  {
    run = file[FILENAME]
    sub(/\r$/, "", $4)
    gsub(/\|/, "/", $4)
    cell[$1, run] = "**" $3 "** " $4
    name[$1] = $2
    if ($1 > last) last = $1
  }
  END {
    printf "| check |"; for (r = 1; r <= runs; ++r) printf " %s |", title[r]; print ""
    printf "|---|"; for (r = 1; r <= runs; ++r) printf "---|"; print ""
    for (n = 1; n <= last; ++n) {
      if (!(n in name)) continue
      printf "| %d %s |", n, name[n]
      for (r = 1; r <= runs; ++r) printf " %s |", ((n, r) in cell) ? cell[n, r] : "not run"
      print ""
    }
  }' "$@"
