#!/usr/bin/env bash
# Makes the Debian package from this build tree, installs it, uses the
# installed programs from a fresh home folder as a user would, and removes
# it again. Installing needs root: CI runs on a throwaway machine.
# Usage: test_package.sh SOURCE_DIR BUILD_DIR XLSX_FIXTURE_TOOL
set -euo pipefail
src=$1 build=$2 fixture=$3

skip() { echo "SKIPPED: $*"; exit 77; }
fail() { echo "FAILED: $*" >&2; exit 1; }
command -v dpkg >/dev/null || skip "no dpkg on this machine, so no Debian package to test"
[[ $(id -u) -eq 0 ]] || skip "installing a package needs root"
command -v xvfb-run >/dev/null || skip "xvfb-run is missing (bash scripts/setup.sh installs it)"

# One run at a time on a machine; a package someone installed stays theirs.
exec 9>/tmp/waybill-package-test.lock
flock 9
if dpkg-query -W -f='${Status}' waybill 2>/dev/null | grep -q 'installed'; then
  skip "a waybill package is installed on this machine already; leaving it alone"
fi

work=$(mktemp -d)
installed=0
cleanup() {
  if ((installed)); then dpkg --purge waybill >/dev/null 2>&1 || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# dpkg refuses at once while apt or another dpkg holds its lock.
dpkg_retry() {
  local i
  for i in $(seq 60); do
    if dpkg "$@" 2>"$work/dpkg.err"; then return 0; fi
    grep -q 'lock' "$work/dpkg.err" || { cat "$work/dpkg.err" >&2; return 1; }
    sleep 2
  done
  cat "$work/dpkg.err" >&2
  return 1
}

deb=$(bash "$src/scripts/package.sh" --from "$build" --out "$work" | tail -n1)
[[ -f $deb ]] || fail "scripts/package.sh made no package"
depends=$(dpkg-deb -f "$deb" Depends)
for d in libqt6sql6-sqlite fonts-arphic-uming fonts-noto-cjk libqt6widgets6 libquazip1-qt6; do
  [[ $depends == *"$d"* ]] || fail "Depends lacks $d: $depends"
done

installed=1
dpkg_retry -i "$deb" || fail "dpkg -i failed (are all dependencies installed?)"
dpkg -L waybill >"$work/files"
app=example.tavsoft.waybill
for f in /usr/bin/waybill /usr/bin/waybill-cli /usr/share/applications/$app.desktop \
  /usr/share/metainfo/$app.metainfo.xml /usr/share/icons/hicolor/48x48/apps/$app.png \
  /usr/share/icons/hicolor/256x256/apps/$app.png /usr/share/man/man1/waybill-cli.1.gz \
  /usr/share/man/man1/waybill.1.gz /usr/share/doc/waybill/copyright; do
  grep -qx "$f" "$work/files" || fail "the package does not list $f"
  [[ -f $f ]] || fail "$f is not installed"
done

# A user who never ran the program, started from a folder without data.mdb.
home=$work/home
mkdir -p "$home" "$work/cwd"
cd "$work/cwd"
as_user() { env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u XDG_DESKTOP_DIR -u QT_QPA_PLATFORM HOME="$home" "$@"; }

as_user /usr/bin/waybill-cli catalogue >"$work/catalogue" || fail "waybill-cli catalogue failed"
[[ $(wc -l <"$work/catalogue") -eq 20 ]] || fail "catalogue lists $(wc -l <"$work/catalogue") templates, not 20"

book=$home/.local/share/tavsoft/waybill/data.mdb
# The window program runs a few seconds on a virtual screen, then is ended.
as_user xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  /usr/bin/waybill & pid=$!
  for i in $(seq 100); do [[ -s $0 ]] && break; sleep 0.2; done
  sleep 2
  kill -0 $pid || { echo "waybill ended by itself" >&2; exit 1; }
  kill $pid; wait $pid || true' "$book" || fail "the installed waybill did not run"
[[ -s $book ]] || fail "the installed waybill made no $book"
[[ ! -e $work/cwd/data.mdb ]] || fail "the installed waybill made data.mdb in its working directory"
if compgen -G "$home/Desktop/*.desktop" >/dev/null; then fail "the installed waybill wrote a desktop launcher"; fi

# Its address book serves the command line, and a waybill prints to PDF.
cat >"$work/list.json" <<'JSON'
{"sheets": ["Sheet1"], "dataSheet": 0, "rows": [
 [{"s":"姓名"},{"s":"城市"},{"s":"邮编"},{"s":"收件单位"},{"s":"地址"},{"s":"手机"},{"s":"电话"},{"s":"内件品名"},{"s":"数量"},{"s":"备注"}],
 [{"s":"张三"},{"s":"上海"},{"s":"200000"},{"s":"某某公司"},{"s":"南京路1号"},{"s":"13800138000"},{"s":""},{"s":"文件"},{"s":"1"},{"s":""}]]}
JSON
"$fixture" "$work/list.json" "$work/list.xlsx" || fail "could not write the test workbook"
as_user /usr/bin/waybill-cli --db "$book" import "$work/list.xlsx" | grep -q '导入记录数: 1' ||
  fail "waybill-cli import into the installed program's address book failed"
cp "$book" data.mdb # the command line's own default: data.mdb in the working directory
as_user /usr/bin/waybill-cli print --template st --variant excel-single --pdf one.pdf ||
  fail "waybill-cli print to PDF failed"
pages=$(pdfinfo one.pdf | sed -n 's/^Pages: *//p')
[[ $pages == 1 ]] || fail "the PDF has ${pages:-no} pages, not 1"

cd /
dpkg_retry --purge waybill || fail "dpkg --purge failed"
installed=0
if dpkg-query -W -f='${Status}' waybill 2>/dev/null | grep -q 'installed'; then fail "waybill is still installed"; fi
while read -r f; do
  [[ -d $f ]] && continue # shared folders such as /usr/share/man/man1 stay
  [[ ! -e $f ]] || fail "$f is left after removal"
done <"$work/files"
[[ ! -e /usr/share/doc/waybill ]] || fail "/usr/share/doc/waybill is left after removal"
echo "package $(basename "$deb") installed, used and removed"
