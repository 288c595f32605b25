#!/usr/bin/env bash
# Feeds vex3d every kind of file a file browser meets: crafted hostile files
# (bombs, references outside the model's folder, FIFOs, absurd nesting and
# polygons), the damaged-file corpus, and the public importer test corpus
# when it is installed (scripts/install-deps.sh --corpus). Each file goes
# through `vex3d info` and `vex3d thumbnail` under a time limit; in a build
# without sanitizers also under a memory limit.
#
#   scripts/hostile-corpus.sh BUILD_DIR [WORK_DIR]
#
# Prints one line per run that is not a clean answer and a summary; exits 1
# when any run crashed, hung, tripped a sanitizer or succeeded silently.
set -uo pipefail

BUILD=${1:?usage: hostile-corpus.sh BUILD_DIR [WORK_DIR]}
WORK=${2:-$BUILD/hostile}
VEX3D="$BUILD/bin/vex3d"
TIME_LIMIT=${VEX3D_HOSTILE_SECONDS:-90}
MEMORY_KIB=${VEX3D_HOSTILE_MEMORY_KIB:-4194304}
[[ -x "$VEX3D" ]] || { echo "hostile-corpus: no $VEX3D" >&2; exit 2; }

rm -rf "$WORK" && mkdir -p "$WORK/crafted/model" "$WORK/out"
C="$WORK/crafted"

# --- crafted files ---------------------------------------------------------
head -c 1048576 /dev/urandom > "$C/random.obj"
: > "$C/empty.obj"
printf 'v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' | iconv -f UTF-8 -t UTF-16 > "$C/utf16.obj"
# Headers announcing billions of elements in a few bytes.
printf 'OFF\n2000000000 2000000000 0\n0 0 0\n1 0 0\n0 1 0\n3 0 1 2\n' > "$C/bomb.off"
printf 'ply\nformat ascii 1.0\nelement vertex 4000000000\nproperty float x\nproperty float y\nproperty float z\nelement face 1\nproperty list uchar int vertex_indices\nend_header\n0 0 0\n' > "$C/bomb.ply"
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
{
  printf 'INTERQUAKEMODEL\0'
  le32 2; le32 124; le32 0                       # version, file size, flags
  le32 0; le32 0                                 # text
  le32 1; le32 124                               # one mesh, past the end
  le32 1; le32 124                               # one vertex array, past the end
  le32 2147483647; le32 2147483647; le32 124     # vertices, triangles, at the end
  le32 0; le32 0; le32 0; le32 0; le32 0; le32 0 # joints, poses, animations
  le32 2147483647; le32 0; le32 0                # frames
} > "$C/bomb.iqm"
# References that leave the model's folder.
printf 'mtllib ../../../../../../../../etc/passwd\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' > "$C/model/passwd.obj"
printf 'newmtl m\nmap_Kd /etc/passwd\n' > "$C/model/abs.mtl"
printf 'mtllib abs.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nusemtl m\nf 1 2 3\n' > "$C/model/abs.obj"
cat > "$C/model/outside.gltf" <<'EOF'
{"asset":{"version":"2.0"},"scene":0,"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],
 "meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],
 "accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[-1e9,-1e9,-1e9],"max":[1e9,1e9,1e9]}],
 "bufferViews":[{"buffer":0,"byteLength":36}],
 "buffers":[{"uri":"../../../../../../../../etc/passwd","byteLength":36}]}
EOF
# Things that are not files, and a library that is one.
mkfifo "$C/fifo.obj" "$C/model/fifo.mtl" 2>/dev/null
mkdir -p "$C/directory.obj"
printf 'mtllib fifo.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n' > "$C/model/fifolib.obj"
# One face of 65,000 corners around a comb, and an STL facet of 100,000.
awk 'BEGIN { n = 65000; for (i = 0; i < n / 2; i++) { printf "v %d 0 0\nv %d %d 0\n", i, i, (i % 2 ? 1 : 3) }
             printf "f"; for (i = 1; i <= n; i += 2) printf " %d", i;
             for (i = n; i >= 2; i -= 2) printf " %d", i; printf "\n" }' > "$C/polygon.obj"
awk 'BEGIN { print "solid s\nfacet normal 0 0 1\nouter loop"; for (i = 0; i < 100000; i++) print "vertex", i, 0, 0;
             print "endloop\nendfacet\nendsolid s" }' > "$C/facet.stl"
# Nesting far deeper than any model.
awk 'BEGIN { print "<?xml version=\"1.0\"?><COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\"><library_visual_scenes><visual_scene id=\"s\">";
             for (i = 0; i < 10000; i++) printf "<node id=\"n%d\">", i; for (i = 0; i < 10000; i++) printf "</node>";
             print "</visual_scene></library_visual_scenes><scene><instance_visual_scene url=\"#s\"/></scene></COLLADA>" }' > "$C/deep.dae"
awk 'BEGIN { printf "{\"asset\":{\"version\":\"2.0\"},\"scene\":0,\"scenes\":[{\"nodes\":[0]}],\"nodes\":[";
             for (i = 0; i < 10000; i++) printf "%s{\"children\":[%d]}", (i ? "," : ""), i + 1;
             print ",{}]}" }' > "$C/deep.gltf"
# A zip bomb: a few megabytes that expand to 3 GB of model description.
if command -v python3 >/dev/null; then
  python3 - "$C/bomb.3mf" <<'PYTHON'
import sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
    z.writestr("[Content_Types].xml", '<?xml version="1.0"?><Types xmlns="http://schemas.'
               'openxmlformats.org/package/2006/content-types"><Default Extension="model" '
               'ContentType="application/vnd.ms-package.3dmanufacturing-3dmodel+xml"/></Types>')
    with z.open("3D/3dmodel.model", "w", force_zip64=True) as entry:
        entry.write(b'<?xml version="1.0"?><model xmlns="http://schemas.microsoft.com/'
                    b'3dmanufacturing/core/2015/02"><resources>')
        block = b" " * (1 << 24)
        for _ in range(3 * 64):
            entry.write(block)
        entry.write(b"</resources></model>")
PYTHON
fi

# --- the damaged-file corpus and the public corpus --------------------------
if [[ -x "$BUILD/bin/make_broken_corpus" ]]; then
  "$BUILD/bin/make_broken_corpus" "$WORK/broken" >/dev/null
fi
PUBLIC=${VEX3D_HOSTILE_PUBLIC_DIR:-/usr/share/assimp/models}

# --- running ---------------------------------------------------------------
sanitized=0
# Counted rather than matched: grep -q would leave nm writing into a closed
# pipe, which pipefail counts as a failure.
if (($(nm -D "$BUILD/lib/libvexhost.so" 2>/dev/null | grep -c __asan_) > 0)); then sanitized=1; fi

declare -A count=()
runOne() {
  local what=$1 file=$2 log="$WORK/out/run.log" status
  local out="$WORK/out/thumb.png"
  rm -f "$out"
  local limit="ulimit -v $MEMORY_KIB;"
  ((sanitized)) && limit=""
  if [[ $what == info ]]; then
    timeout -s KILL "$TIME_LIMIT" bash -c "$limit exec \"\$0\" info \"\$1\"" "$VEX3D" "$file" \
      >"$WORK/out/stdout" 2>"$log" </dev/null
  else
    # As in the test suite, a program that starts Mesa runs without the
    # leak checker, which now and then crashes walking the driver's threads
    # and their dynamic TLS; every other sanitizer check stays.
    ((sanitized)) && limit="export ASAN_OPTIONS=\"\${ASAN_OPTIONS:+\$ASAN_OPTIONS:}detect_leaks=0\";"
    timeout -s KILL "$TIME_LIMIT" bash -c "$limit exec \"\$0\" thumbnail --size 128 \"\$1\" \"\$2\"" \
      "$VEX3D" "$file" "$out" >"$WORK/out/stdout" 2>"$log" </dev/null
  fi
  status=$?
  local verdict=clean
  if ((status == 1)) && grep -q 'for this format failed on' "$log"; then
    # The general-format library failed in its worker, and the command
    # reported the file as unreadable: whatever the worker printed as it
    # died (a sanitizer's report of the library's crash) stayed there.
    verdict=contained
  elif grep -qE 'AddressSanitizer|LeakSanitizer|runtime error:' "$log"; then
    verdict=sanitizer
  elif ((status == 137 || status == 124)); then
    verdict=hang
  elif ((status == 142 || status == 152)); then
    # A thumbnail past its own time budget ends itself: that is its answer.
    [[ $what == thumbnail ]] && verdict=budget || verdict=hang
  elif ((status >= 128)); then
    verdict=crash
  elif ((status == 0)) && [[ $what == thumbnail && ! -s $out ]]; then
    verdict=silent
  elif ((status == 0)) && [[ $what == info ]] && grep -q '^totals: 0 objects' "$WORK/out/stdout" &&
    ! grep -qi 'warning\|no geometry' "$log"; then
    verdict=silent
  elif ((status != 0)) && [[ ! -s $log ]]; then
    verdict=silent
  fi
  count[$verdict]=$((${count[$verdict]:-0} + 1))
  if [[ $verdict != clean && $verdict != budget && $verdict != contained ]]; then
    echo "$verdict ($status): vex3d $what $file"
    [[ $verdict == sanitizer || $verdict == crash ]] && head -n 5 "$log" | sed 's/^/    /'
  fi
}

files=()
while IFS= read -r -d '' f; do files+=("$f"); done < <(
  find "$C" "$WORK/broken" -mindepth 1 \( -type f -o -type p -o -type d -name '*.*' \) -print0 2>/dev/null
  [[ -d $PUBLIC ]] && find "$PUBLIC" -type f ! -name '*.png' ! -name '*.jpg' ! -name '*.tga' \
    ! -name '*.bmp' ! -name '*.txt' ! -name '*.bin' ! -name '*.mtl' ! -name '*.glsl' -print0)
echo "hostile-corpus: ${#files[@]} files, limit ${TIME_LIMIT}s$( ((sanitized)) && echo ', sanitizer build' || echo ", ${MEMORY_KIB} KiB")"
for f in "${files[@]}"; do
  runOne info "$f"
  runOne thumbnail "$f"
done
echo "hostile-corpus: clean ${count[clean]:-0}, gave up within budget ${count[budget]:-0}," \
  "library failures contained in the worker ${count[contained]:-0}," \
  "crashed ${count[crash]:-0}, hung ${count[hang]:-0}, sanitizer reports ${count[sanitizer]:-0}," \
  "silent ${count[silent]:-0}"
((${count[crash]:-0} + ${count[hang]:-0} + ${count[sanitizer]:-0} + ${count[silent]:-0} == 0))
