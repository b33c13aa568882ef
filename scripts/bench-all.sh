#!/usr/bin/env bash
# Builds the Release tree with the benchmarks, runs every benchmark program and
# writes bench/REPORT.md: each figure beside its target and the raw-library
# ceiling measured in the same run, with the machine, its load and the date.
#   scripts/bench-all.sh [--quick]     (--quick: fewer repetitions)
#   scripts/bench-all.sh --report-only (rewrites the report from the last run's results)
set -euo pipefail
cd "$(dirname "$0")/.."
reps=5
[ "${1:-}" = "--quick" ] && reps=2
out=build-rel/bench-results
if [ "${1:-}" != "--report-only" ]; then
bash scripts/setup-deps.sh
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
started=$(date -u '+%Y-%m-%d %H:%M UTC')

cmake -S . -B build-rel -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVO_BENCH=ON -DKELVO_TESTS=OFF >/dev/null
programs=(tamvox_bench components_bench bench_network renderer_bench duilib_bench avplayer_bench sim_bench_streams wall_scale)
cmake --build build-rel --target "${programs[@]}" kelvo_assets -j2
rm -rf "$out" && mkdir -p "$out"

export SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy KELVO_BUILD_DIR=$PWD/build-rel KELVO_SOURCE_DIR=$PWD
run() {  # name, extra arguments...
  local name=$1; shift
  echo "== $name" >&2
  if ! "build-rel/bin/$name" --benchmark_out="$out/$name.json" --benchmark_out_format=json "$@" \
      >"$out/$name.txt" 2>"$out/$name.err"; then
    echo "bench-all: $name failed (see $out/$name.err)" >&2
  fi
}
agg=(--benchmark_repetitions=$reps --benchmark_report_aggregates_only=true)
run tamvox_bench
run components_bench "${agg[@]}"
run bench_network "${agg[@]}"
run renderer_bench --benchmark_repetitions=2 --benchmark_report_aggregates_only=true
run duilib_bench "${agg[@]}"
run avplayer_bench "${agg[@]}"
run sim_bench_streams '--benchmark_filter=BM_D1Streams/(10|100|200)/'
echo "== wall_scale" >&2
build-rel/bin/wall_scale 4 16 >"$out/wall_scale.txt" 2>"$out/wall_scale.err" || echo "bench-all: wall_scale failed" >&2

load_after=$(cut -d' ' -f1-3 /proc/loadavg)
printf '%s\n' "$started" "$load_before" "$load_after" > "$out/meta.txt"
fi
{ read -r started; read -r load_before; read -r load_after; } < "$out/meta.txt"
cpu=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -1)
cores=$(nproc)
ram=$(free -g | awk '/^Mem:/ {print $2 " GiB"}')
os=$(. /etc/os-release && echo "$PRETTY_NAME")
gcc=$(g++ -dumpfullversion)

python3 - "$out" "$started" "$cpu" "$cores" "$ram" "$os" "$gcc" "$load_before" "$load_after" > bench/REPORT.md <<'EOF'
import json, os, re, sys
out, started, cpu, cores, ram, osname, gcc, before, after = sys.argv[1:]

runs = {}
for f in os.listdir(out):
    if not f.endswith(".json"):
        continue
    try:
        doc = json.load(open(os.path.join(out, f)))
    except ValueError:
        continue
    for b in doc.get("benchmarks", []):
        name = b.get("run_name", b["name"])
        kind = b.get("aggregate_name", "")
        if kind not in ("", "median"):
            continue
        runs[(f[:-5], re.sub(r"/repeats:\d+", "", name))] = b

def get(prog, name, field):
    b = runs.get((prog, name))
    if b is None:
        return None
    v = b.get(field)
    if v is None:
        return None
    return float(v)

def ms(prog, name, field="cpu_time"):
    # Google Benchmark reports in the benchmark's own unit.
    b = runs.get((prog, name))
    if b is None:
        return None
    scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b.get("time_unit", "ns")]
    return float(b[field]) * scale

def fmt(v, unit="", digits=3):
    if v is None:
        return "not measured"
    for above, scale, prefix in ((1e9, 1e9, "G"), (1e6, 1e6, "M"), (1e4, 1e3, "k")):
        if abs(v) >= above:
            return f"{v / scale:.{digits}g} {prefix}{unit}"
    text = f"{v:,.0f}".replace(",", " ") if abs(v) >= 1000 else f"{v:.{digits}g}"
    return text + (f" {unit}" if unit else "")

def ratio(a, b):
    return f"{a / b:.2f}" if a is not None and b else "—"

rows = []
def row(figure, value, target, ceiling, r="—"):
    rows.append(f"| {figure} | {value} | {target} | {ceiling} | {r} |")

print("# Performance report\n")
print(f"Written by `scripts/bench-all.sh` on {started}. Release build (GCC {gcc}), {osname}.\n")
print(f"- Machine: {cpu}, {cores} cores, {ram} RAM.")
print(f"- Load average (1/5/15 min) before the run: {before}; after: {after}.")
print("- The machine is shared with other developers' builds; wall-clock figures carry that noise,")
print("  so CPU time is used wherever Google Benchmark gives one. Figures are medians of the repetitions.\n")
print("Each figure stands beside its target and the bare-library ceiling it is measured against,")
print("taken in the same run. Ratio = ours / ceiling (above 1 is faster for rates, slower for times).\n")
print("| figure | ours | target | ceiling (same run) | ratio |")
print("|---|---|---|---|---|")

# Codec: Tamvox against spandsp G.726.
for d in ("Encode", "Decode"):
    for t, rate in enumerate((16, 24, 32, 40)):
        a = get("tamvox_bench", f"Tamvox{d}/{t}", "items_per_second")
        b = get("tamvox_bench", f"Spandsp{d}/{t}", "items_per_second")
        row(f"Tamvox {d.lower()} {rate} kbit/s (samples/s)", fmt(a), "ratio ≥ 1.1 (ideally 1.5)", "spandsp " + fmt(b), ratio(a, b))

# Components: decoder, snapshot.
for w, h in ((704, 576), (1920, 1080)):
    a = get("components_bench", f"BM_DecodeVideoDecoder/{w}/{h}", "fps")
    b = get("components_bench", f"BM_DecodeBareLibavcodec/{w}/{h}/1", "fps")
    row(f"VideoDecoder {w}×{h} (frames/s)", fmt(a), "≈ bare decode", "libavcodec, planes copied " + fmt(b), ratio(a, b))
    a = ms("components_bench", f"BM_SnapshotWriter/{w}/{h}")
    b = ms("components_bench", f"BM_SnapshotBareCalls/{w}/{h}")
    row(f"SnapshotWriter {w}×{h} (ms CPU)", fmt(a, "ms"), "≈ bare calls", "libyuv + libjpeg " + fmt(b, "ms"), ratio(a, b))

# Network: pipeline against bare decode, latency, directory, transport.
for w, h in ((704, 576), (1920, 1080)):
    a = get("bench_network", f"BM_StreamPipeline/{w}/{h}/real_time", "items_per_second")
    b = get("bench_network", f"BM_BareDecode/{w}/{h}/real_time", "items_per_second")
    row(f"stream pipeline {w}×{h}, decoded (frames/s)", fmt(a), "≥ 90 % of bare decode", "bare libavcodec " + fmt(b), ratio(a, b))
lat = get("bench_network", "BM_StreamLatency/iterations:1/real_time", "median_ms")
p99 = get("bench_network", "BM_StreamLatency/iterations:1/real_time", "p99_ms")
row("socket → data callback, D1 25 fps paced: median / p99", f"{fmt(lat, 'ms')} / {fmt(p99, 'ms')}", "median ≤ 25 ms", "—")
row("directory: 1 422 nodes + 20 000 cameras (ms CPU)", fmt(ms("bench_network", "BM_DirectoryBuild/20000")), "< 100 ms", "—")
row("record query reply, ~8 000 files (ms CPU)", fmt(ms("bench_network", "BM_RecordReplyParse")), "—", "—")
a = get("bench_network", "BM_BufferPoolHandOver/64/real_time", "items_per_second")
row("BufferPool hand-over, 64 B frames (frames/s)", fmt(a), "≫ 1.6 k/s (64 views × 25 fps)", "—")
a = get("bench_network", "BM_SessionReceive200K/real_time", "bytes_per_second")
row("TcpSession receiving 200 KB packets", fmt(a, "B/s"), "—", "—")

# Renderer and toolkit.
for arg, label in ((0, "keep aspect"), (1, "fill"), (2, "true size")):
    row(f"4×4 D1 wall draw, new pictures, {label} (ms CPU)", fmt(ms("renderer_bench", f"BM_DrawWallNewPictures/{arg}")), "≤ 40 ms (25 draws/s)", "—")
row("4×4 D1 wall repaint only (ms CPU)", fmt(ms("renderer_bench", "BM_DrawWallRepaintOnly")), "—", "—")
row("login window cold start to first frame (ms)", fmt(ms("duilib_bench", "BM_LoginColdStartToFirstFrame/iterations:10", "real_time")), "< 150 ms", "—")
row("full repaint 1080p, 200 controls (ms CPU)", fmt(ms("duilib_bench", "BM_FullRepaint1080p200Controls")), "< 8 ms", "—")

# Recorded-file player.
row("player: time to first picture (ms)", fmt(ms("avplayer_bench", "BM_TimeToFirstPicture/iterations:20/manual_time", "real_time")), "< 500 ms", "—")
row("player: seek latency (ms)", fmt(ms("avplayer_bench", "BM_SeekLatency/iterations:30/manual_time", "real_time")), "< 300 ms", "—")

# Simulator capacity.
for n in (10, 100, 200):
    name = f"BM_D1Streams/{n}/iterations:1/manual_time"
    a = get("sim_bench_streams", name, "worst_stream_fps")
    c = get("sim_bench_streams", name, "sim_cpu_pct")
    row(f"simulator serving {n} D1 streams: worst stream fps / sim CPU %", f"{fmt(a)} / {fmt(c)}", "25 fps", "—")

print("\n".join(rows))
print("""
Reading the table:
- The stream pipeline and its bare-decode ceiling are wall-clock rates (`UseRealTime`): the pipeline
  runs three busy threads (feeder, connection, render) against the bare loop's one on two shared
  cores, so on a loaded machine its ratio falls below the 90 % target that holds on a quiet one;
  the `wall_scale` table below is what that ratio stands for.
- The socket-to-callback latency includes the pacing rule's 20 ms hold past each frame's due time.
- Decoder and snapshot ratios come from CPU time and are the steadiest figures here.""")

print("\n## Library against the simulator (`wall_scale`, D1 at 25 fps)\n")
print("Target: every stream at 25 fps; under 20 MB per D1 stream. Ceiling: the bare single-thread")
print("libavcodec decode of a D1 clip, from CPU time (`components_bench`, below the table).\n")
try:
    table = [l for l in open(os.path.join(out, "wall_scale.txt")) if l.startswith("|")]
    print("".join(table) if table else "wall_scale printed no table (see build-rel/bench-results/wall_scale.err).")
except OSError:
    print("wall_scale did not run.")
bare = get("components_bench", "BM_DecodeBareLibavcodec/704/576/0", "fps")
if bare:
    print(f"\nBare decode ceiling in this run: {fmt(bare)} frames/s of CPU time, so decoding one 25 fps D1 "
          f"stream costs {2500 / bare:.2f} % of one core; the library's per-stream figure above includes "
          "the socket, the pool, the render thread and the decode.")

failed = [f[:-4] for f in sorted(os.listdir(out)) if f.endswith(".err") and
          "failed" in open(os.path.join(out, f)).read().lower()]
missing = [r for r in rows if "not measured" in r]
if missing:
    print(f"\n{len(missing)} figure(s) were not measured in this run (a program failed or was filtered).")
EOF
echo "bench-all: wrote bench/REPORT.md" >&2
