#!/usr/bin/env bash
# Side by side: `talvor --report` against pandas reading, resampling by the
# minute and plotting the same week of one-second daily logs (604 800 lines).
# Prints seconds for each; needs python3-pandas and python3-matplotlib.
#   bench/timeline_vs_pandas.sh [build folder]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work" <<'PY'
import datetime, os, sys
folder = sys.argv[1]
start = datetime.date(2026, 11, 1)
for d in range(7):
    day = start + datetime.timedelta(days=d)
    with open(os.path.join(folder, day.strftime("%Y_%m_%d_talvor_log.csv")), "w", newline="") as f:
        for s in range(86400):
            h, m, sec = s // 3600, s // 60 % 60, s % 60
            value = 55 + (s * 7919) % 11 - (25 if h == 18 else 0)
            f.write('"%04d/%02d/%02d","%02d:%02d:%02d %s",%d\r\n'
                    % (day.year, day.month, day.day, h % 12 or 12, m, sec, "am" if h < 12 else "pm", value))
PY
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null 2>&1; t1=$(date +%s.%N); echo "$t1 - $t0" | bc; }
report() { TALVOR_HOME="$work" "$build/bin/talvor" --report 2026-11-01 2026-11-07 "$1"; }
first=$(seconds report "$work/week.png")
again=$(seconds report "$work/week-again.png")
csv=$(seconds report "$work/week.csv")
pandas=$(seconds /usr/bin/python3 - "$work" <<'PY'
import glob, sys
import matplotlib
matplotlib.use("Agg")
import matplotlib.pyplot as plt
import pandas as pd
frames = [pd.read_csv(f, header=None, names=["date", "time", "reading"]) for f in sorted(glob.glob(sys.argv[1] + "/*_talvor_log.csv"))]
data = pd.concat(frames)
data.index = pd.to_datetime(data["date"] + " " + data["time"], format="%Y/%m/%d %I:%M:%S %p")
minutes = data["reading"].resample("1min").agg(["min", "mean", "max"])
ax = minutes.plot(figsize=(12, 5))
plt.savefig(sys.argv[1] + "/pandas.png")
PY
)
echo "talvor_report_png_first_s=$first (folds the logs in)"
echo "talvor_report_png_again_s=$again"
echo "talvor_report_csv_s=$csv"
echo "pandas_read_resample_plot_s=$pandas"
echo "speedup_first=$(echo "$pandas / $first" | bc -l | cut -c1-5) speedup_again=$(echo "$pandas / $again" | bc -l | cut -c1-5)"
