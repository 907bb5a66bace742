#!/usr/bin/env bash
# Side-by-side benchmark of Quorix against libharu, PoDoFo, cairo, reportlab, qpdf and mutool on
# the three workloads of WORKLOADS.md. One command from the repository root:
#
#   bash bench/compare/run.sh
#
# Knobs (environment):
#   RUNS=5            timed rounds per workload (rows interleaved within a round)
#   WARMUP=1          untimed runs of every row before the rounds
#   WORKLOADS="W1-500 W1-5000 W2 W3"   which workloads, in order (W1-<N> for any page count N)
#   NO_BUILD=1        skip package installation, the project build and the registration
#   COMPARE_DIR=build/compare   where competitor programs, inputs, outputs and results go
#
# Results: one Markdown table per workload on stdout and in $COMPARE_DIR/results.md.
set -uo pipefail
export LC_ALL=C

cd "$(dirname "$0")/../.." || exit 1
REPO=$PWD
HERE=bench/compare
RUNS=${RUNS:-5}
WARMUP=${WARMUP:-1}
WORKLOADS=${WORKLOADS:-"W1-500 W1-5000 W2 W3"}
NO_BUILD=${NO_BUILD:-0}
CD=${COMPARE_DIR:-build/compare}
PY=/usr/bin/python3

log() { echo "run.sh: $*" >&2; }
die() { log "$*"; exit 1; }

mkdir -p "$CD/out" "$CD/log" || die "cannot create $CD"
CD=$(cd "$CD" && pwd)
INPUTS=$CD/inputs

# ---------------------------------------------------------------- setup
PACKAGES=(build-essential pkg-config time libhpdf-dev libpodofo-dev libcairo2-dev libpng-dev
          zlib1g-dev python3-reportlab python3-pil mupdf-tools qpdf poppler-utils hyperfine
          fonts-urw-base35)

install_packages() {
  local missing=() p
  for p in "${PACKAGES[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    log "installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq || die "apt-get update failed"
    apt-get install -y -qq --no-install-recommends "${missing[@]}" || die "apt-get install failed"
  fi
}

if [ "$NO_BUILD" != 1 ]; then
  install_packages
  log "building the project (tools/build.sh)"
  bash tools/build.sh >&2 || die "project build failed"
fi

# Quorix finds its registration under QUORIX_ROOT; the Python rows import the built module.
export QUORIX_ROOT=$REPO/build/root
export PYTHONPATH=$REPO/build/python${PYTHONPATH:+:$PYTHONPATH}
if [ "$NO_BUILD" != 1 ]; then
  if [ -x build/bin/qxregsvr32 ] && [ -f build/lib/libquorix2.so ]; then
    build/bin/qxregsvr32 build/lib/libquorix2.so >&2 || log "warning: registration failed"
  else
    log "warning: build/bin/qxregsvr32 or build/lib/libquorix2.so missing, Quorix not registered"
  fi
fi

# Competitor programs: rebuilt when missing or older than their source.
compile() { # name compiler pkg-config-modules...
  local name=$1 cc=$2 src
  shift 2
  if [ "$cc" = g++ ]; then src=$HERE/$name.cpp; else src=$HERE/$name.c; fi
  if [ ! -x "$CD/$name" ] || [ "$src" -nt "$CD/$name" ]; then
    log "compiling $name"
    local flags=(-O2)
    [ "$cc" = g++ ] && flags+=(-std=c++17 -Wno-deprecated-declarations)
    # shellcheck disable=SC2046
    $cc "${flags[@]}" -o "$CD/$name" "$src" $(pkg-config --cflags --libs "$@") \
      || die "compiling $name failed"
  fi
}
compile_haru() { # libharu 2.3.0 on Debian ships no .pc file
  local name=$1
  if [ ! -x "$CD/$name" ] || [ "$HERE/$name.c" -nt "$CD/$name" ]; then
    log "compiling $name"
    gcc -O2 -o "$CD/$name" "$HERE/$name.c" -lhpdf || die "compiling $name failed"
  fi
}
compile_haru haru_w1
compile_haru haru_w3
compile podofo_w1 g++ libpodofo
compile podofo_w2 g++ libpodofo
compile podofo_w3 g++ libpodofo
compile cairo_w1 gcc cairo
compile cairo_w3 gcc cairo
compile floor_w3 gcc libpng zlib

# ---------------------------------------------------------------- inputs
if [ "$NO_BUILD" != 1 ] || [ ! -s "$INPUTS/picture.png" ] || [ ! -s "$INPUTS/text.txt" ]; then
  log "generating inputs into $INPUTS"
  mkdir -p "$INPUTS"
  $PY $HERE/gen_inputs.py "$INPUTS" >"$CD/log/gen_inputs.txt" || die "gen_inputs.py failed"
fi
while read -r sum name; do
  got=$(sha256sum "$INPUTS/$name" | cut -d' ' -f1)
  if [ "$got" != "$sum" ]; then
    case $name in
      text.txt|lines.txt) die "$name does not match inputs.sha256" ;;
      *) log "warning: $name differs from inputs.sha256 (another encoder version; pixels may still match)" ;;
    esac
  fi
done <$HERE/inputs.sha256

# ---------------------------------------------------------------- rows
# A row: name, kind (row | floor | startup), output file, command (a string for eval), or a
# "skip:" note when its program is missing.
ROW_NAME=() ROW_KIND=() ROW_OUT=() ROW_CMD=()
add_row() { ROW_NAME+=("$1"); ROW_KIND+=("$2"); ROW_OUT+=("$3"); ROW_CMD+=("$4"); }
q() { printf '%q' "$1"; }

# The two Quorix rows of workload W$1: the C++ program and the Python script, with the
# arguments $3 (already quoted) before the output file; a missing program is a "skip:" row.
add_quorix_rows() { # number output-prefix arguments
  local out=$2.quorix-cpp.pdf
  if [ -x "build/bin/QuorixW$1" ]; then
    add_row quorix-c++ row "$out" "build/bin/QuorixW$1 $3 $(q "$out")"
  else add_row quorix-c++ row "" "skip: build/bin/QuorixW$1 missing"; fi
  out=$2.quorix-py.pdf
  if [ -f "$HERE/quorix_w$1.py" ]; then
    add_row quorix-python row "$out" "$PY $HERE/quorix_w$1.py $3 $(q "$out")"
  else add_row quorix-python row "" "skip: $HERE/quorix_w$1.py missing"; fi
}

define_rows() { # workload
  local w=$1 o=$CD/out/$1 n
  ROW_NAME=() ROW_KIND=() ROW_OUT=() ROW_CMD=()
  case $w in
    W1-*)
      n=${w#W1-}
      local i; i=$(q "$INPUTS")
      add_quorix_rows 1 "$o" "$i $n"
      add_row libharu row "$o.libharu.pdf" "$(q "$CD/haru_w1") $i $n $(q "$o.libharu.pdf")"
      add_row podofo row "$o.podofo.pdf" "$(q "$CD/podofo_w1") $i $n $(q "$o.podofo.pdf")"
      add_row cairo row "$o.cairo.pdf" "$(q "$CD/cairo_w1") $i $n $(q "$o.cairo.pdf")"
      add_row reportlab row "$o.reportlab.pdf" "$PY $HERE/reportlab_w1.py $i $n $(q "$o.reportlab.pdf")"
      add_row startup startup "" "$PY -c 'import reportlab.pdfgen.canvas'"
      ;;
    W2)
      local in; in=$(q "$W2_INPUT")
      add_row cp floor "$o.cp.pdf" "cp $in $(q "$o.cp.pdf")"
      add_row qpdf row "$o.qpdf.pdf" "qpdf $in $(q "$o.qpdf.pdf")"
      add_row "qpdf --stream-data=preserve" row "$o.qpdf-preserve.pdf" \
        "qpdf --stream-data=preserve $in $(q "$o.qpdf-preserve.pdf")"
      add_row "mutool clean" row "$o.mutool.pdf" "mutool clean $in $(q "$o.mutool.pdf")"
      add_row podofo row "$o.podofo.pdf" "$(q "$CD/podofo_w2") $in $(q "$o.podofo.pdf")"
      add_quorix_rows 2 "$o" "$in"
      ;;
    W3)
      local i; i=$(q "$INPUTS")
      add_row floor floor "$o.floor.pdf" "$(q "$CD/floor_w3") $i $(q "$o.floor.pdf")"
      add_quorix_rows 3 "$o" "$i"
      add_row libharu row "$o.libharu.pdf" "$(q "$CD/haru_w3") $i $(q "$o.libharu.pdf")"
      add_row podofo row "$o.podofo.pdf" "$(q "$CD/podofo_w3") $i $(q "$o.podofo.pdf")"
      add_row cairo row "$o.cairo.pdf" "$(q "$CD/cairo_w3") $i $(q "$o.cairo.pdf")"
      add_row reportlab row "$o.reportlab.pdf" "$PY $HERE/reportlab_w3.py $i $(q "$o.reportlab.pdf")"
      ;;
    *) die "unknown workload $w" ;;
  esac
}

# ---------------------------------------------------------------- measuring
TIMEF=$CD/log/time.txt
# Runs row $1 once; sets M_WALL (microseconds), M_CPU (seconds), M_RSS (KiB), M_RC.
measure() {
  local r=$1 t0 t1 line
  [ -n "${ROW_OUT[r]}" ] && rm -f "${ROW_OUT[r]}"
  rm -f "$TIMEF"
  t0=$EPOCHREALTIME
  eval "/usr/bin/time -f '%e %U %S %M' -o $(q "$TIMEF") ${ROW_CMD[r]}" >/dev/null 2>"$CD/log/$W.$r.err"
  M_RC=$?
  t1=$EPOCHREALTIME
  M_WALL=$(( 10#${t1/./} - 10#${t0/./} ))
  line=$(tail -n 1 "$TIMEF" 2>/dev/null)
  read -r _ u s M_RSS <<<"$line"
  M_CPU=$(awk -v u="${u:-0}" -v s="${s:-0}" 'BEGIN { printf "%.2f", u + s }')
  M_RSS=${M_RSS:-0}
}

median() { printf '%s\n' "$@" | sort -g | awk '{ a[NR] = $1 } END {
  if (NR == 0) print "nan"; else if (NR % 2) print a[(NR + 1) / 2]; else print (a[NR / 2] + a[NR / 2 + 1]) / 2 }'; }

RESULTS=$CD/results.md
{
  echo "# Side-by-side benchmark"
  echo
  echo "$(date -u '+%Y-%m-%d %H:%M UTC'), $(nproc) cores, $(uname -r); RUNS=$RUNS, WARMUP=$WARMUP."
  echo "Wall: median of the rounds (bash EPOCHREALTIME around /usr/bin/time). user+sys: median."
  echo "Peak RSS: largest of the timed runs. x best / x floor: median over rounds of the ratio to"
  echo "the fastest non-floor row / the floor row of the same round."
} >"$RESULTS"

# W2's input: libharu's W1 output at 5000 pages, made untimed.
W2_INPUT=$CD/w2_input.pdf
case " $WORKLOADS " in
  *" W2 "*)
    log "making W2's input with libharu (5000 pages)"
    "$CD/haru_w1" "$INPUTS" 5000 "$W2_INPUT" || die "making W2's input failed"
    log "W2 input: $(stat -c %s "$W2_INPUT") bytes ($($PY $HERE/check.py W1 "$W2_INPUT" "$INPUTS" 5000))"
    ;;
esac

for W in $WORKLOADS; do
  define_rows "$W"
  nrows=${#ROW_NAME[@]}
  case $W in W1-*) pages=${W#W1-} ;; *) pages= ;; esac
  declare -A WALLS=() CPUS=() RSS=() XBEST=() XFLOOR=() FAILED=()
  log "$W: $WARMUP warm-up, $RUNS rounds of $nrows rows"
  for ((k = 0; k < WARMUP; k++)); do
    for ((r = 0; r < nrows; r++)); do
      [[ ${ROW_CMD[r]} == skip:* ]] && continue
      measure "$r"
    done
  done
  for ((k = 0; k < RUNS; k++)); do
    declare -A ROUND=()
    best='' floor=''
    for ((r = 0; r < nrows; r++)); do
      [[ ${ROW_CMD[r]} == skip:* ]] && continue
      measure "$r"
      if [ "$M_RC" != 0 ]; then
        FAILED[$r]="exit $M_RC"
        log "$W ${ROW_NAME[r]}: exit $M_RC: $(head -c 300 "$CD/log/$W.$r.err")"
      fi
      WALLS[$r]+="$M_WALL "
      CPUS[$r]+="$M_CPU "
      [ "$M_RSS" -gt "${RSS[$r]:-0}" ] && RSS[$r]=$M_RSS
      ROUND[$r]=$M_WALL
      case ${ROW_KIND[r]} in
        floor) floor=$M_WALL ;;
        row) [ "$M_RC" = 0 ] && { [ -z "$best" ] || [ "$M_WALL" -lt "$best" ]; } && best=$M_WALL ;;
      esac
    done
    for r in "${!ROUND[@]}"; do
      [ "${ROW_KIND[r]}" = startup ] && continue
      [ -n "$best" ] && XBEST[$r]+="$(awk -v a="${ROUND[$r]}" -v b="$best" 'BEGIN { print a / b }') "
      [ -n "$floor" ] && XFLOOR[$r]+="$(awk -v a="${ROUND[$r]}" -v b="$floor" 'BEGIN { print a / b }') "
    done
    unset ROUND
    log "$W: round $((k + 1)) of $RUNS done"
  done

  # The table; outputs of the last round are checked.
  table="### $W"$'\n\n'
  table+="| row | wall s | user+sys s | peak RSS MiB | output bytes | qpdf | work check | x best | x floor |"$'\n'
  table+="|---|---:|---:|---:|---:|---|---|---:|---:|"$'\n'
  for ((r = 0; r < nrows; r++)); do
    name=${ROW_NAME[r]}
    [ "${ROW_KIND[r]}" = floor ] && [ "$name" != floor ] && name="$name (floor)"
    if [[ ${ROW_CMD[r]} == skip:* ]]; then
      table+="| $name | ${ROW_CMD[r]} | | | | | | | |"$'\n'
      continue
    fi
    if [ "$RUNS" -gt 0 ]; then
      # shellcheck disable=SC2086
      wall=$(median ${WALLS[$r]})
      # shellcheck disable=SC2086
      cpu=$(median ${CPUS[$r]})
      wall=$(awk -v w="$wall" 'BEGIN { printf "%.3f", w / 1e6 }')
      cpu=$(awk -v c="$cpu" 'BEGIN { printf "%.2f", c }')
      rss=$(awk -v k="${RSS[$r]:-0}" 'BEGIN { printf "%.1f", k / 1024 }')
    else wall=-; cpu=-; rss=-; fi
    xb=-; xf=-
    # shellcheck disable=SC2086
    [ -n "${XBEST[$r]:-}" ] && xb=$(awk -v x="$(median ${XBEST[$r]})" 'BEGIN { printf "%.2f", x }')
    # shellcheck disable=SC2086
    [ -n "${XFLOOR[$r]:-}" ] && xf=$(awk -v x="$(median ${XFLOOR[$r]})" 'BEGIN { printf "%.2f", x }')
    if [ "${ROW_KIND[r]}" = startup ]; then
      bytes=-; qs=-; work=-
    elif [ -s "${ROW_OUT[r]}" ]; then
      bytes=$(stat -c %s "${ROW_OUT[r]}")
      # shellcheck disable=SC2086
      read -r qs ws detail <<<"$($PY $HERE/check.py "${W%%-*}" "${ROW_OUT[r]}" "$INPUTS" $pages)"
      if [ "$ws" = ok ]; then work=ok; else work="FAIL: $detail"; fi
    else
      bytes=0; qs=-; work="FAIL: no output"
    fi
    [ -n "${FAILED[$r]:-}" ] && work="${FAILED[$r]}; $work"
    table+="| $name | $wall | $cpu | $rss | $bytes | $qs | $work | $xb | $xf |"$'\n'
  done
  unset WALLS CPUS RSS XBEST XFLOOR FAILED
  echo
  printf '%s' "$table"
  printf '\n%s' "$table" >>"$RESULTS"
done
log "tables written to $RESULTS"
