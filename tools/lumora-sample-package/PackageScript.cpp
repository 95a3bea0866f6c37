#include "PackageScript.h"

#include <cstdio>

namespace {

// Text inside single quotes for sh.
std::string Quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string Flag(bool b) { return b ? "1" : "0"; }

// The launchers the package wrote are listed in <dir>/launchers after a
// token of that installation; a listed file is removed only while it still
// carries the token, so a launcher of another installation stays.
const char* const kRemoveLaunchers = R"SH(if [ -f "$home/launchers" ]; then
  {
    IFS= read -r token
    while IFS= read -r f; do
      if [ -f "$f" ] && grep -qxF "X-Lumora-Sample=$token" "$f"; then
        rm -f "$f" || { echo "Error=cannot remove $f"; exit 1; }
      fi
    done
  } < "$home/launchers"
  rm -f "$home/launchers"
fi
)SH";

// Freedesktop launchers (lumora.desktop) for -dsc=true (the desktop folder:
// xdg-user-dir's, else ~/Desktop) and -ssc=true ($XDG_DATA_HOME/applications).
// Values are escaped as desktop entries want: a string doubles a backslash;
// the quoted Exec argument also escapes '"', '`', '$' and the backslash, and
// doubles '%'. A launcher that cannot be written is reported on standard
// error; the installation itself stands.
const char* const kWriteLaunchers = R"SH(dsc=false; ssc=false
for a in "$@"; do
  case "$a" in
    /D=*) break;;
    -dsc=*) dsc="${a#-dsc=}";;
    -ssc=*) ssc="${a#-ssc=}";;
  esac
done
de_string() { printf '%s' "$1" | sed 's/\\/\\\\/g'; }
de_exec() { printf '%s' "$1" | sed -e 's/\\/\\\\\\\\/g' -e 's/["`$]/\\\\&/g' -e 's/%/%%/g'; }
launcher_token="$$.$(date +%s)"
printf '%s\n' "$launcher_token" > "$dir/launchers" 2>/dev/null || fail_write "$dir/launchers"
write_launcher() {
  case "$dir" in *'
'*) echo "lumora sample package: no launcher for a folder with a line break" >&2; return 1;; esac
  mkdir -p "$1" 2>/dev/null || { echo "lumora sample package: cannot make $1" >&2; return 1; }
  {
    printf '[Desktop Entry]\nType=Application\nVersion=1.0\nName=Lumora\n'
    printf 'Comment=Lumora sample product %s\n' "$(de_string "$VERSION")"
    printf 'Exec="%s"\n' "$(de_exec "$dir/lumoraapp.exe")"
    printf 'Path=%s\n' "$(de_string "$dir")"
    printf 'Terminal=false\nCategories=Utility;\n'
    printf 'X-Lumora-Sample=%s\n' "$launcher_token"
  } > "$1/lumora.desktop" 2>/dev/null ||
    { echo "lumora sample package: cannot write $1/lumora.desktop" >&2; return 1; }
  chmod 755 "$1/lumora.desktop"
  printf '%s\n' "$1/lumora.desktop" >> "$dir/launchers"
}
if [ "$dsc" = true ]; then
  desktop=$(xdg-user-dir DESKTOP 2>/dev/null)
  [ -n "$desktop" ] || desktop="$HOME/Desktop"
  write_launcher "$desktop"
fi
if [ "$ssc" = true ]; then
  case "$XDG_DATA_HOME" in
    /*) data="$XDG_DATA_HOME";;
    *) data="$HOME/.local/share";;
  esac
  write_launcher "$data/applications"
fi
)SH";

}  // namespace

std::string ProductScript(const SampleOptions& o) {
    return "#!/bin/sh\n"
           "# Lumora sample product " +
           o.version +
           ": says who it is, leaves a mark that it ran, ends.\n"
           "here=$(cd \"$(dirname \"$0\")\" && pwd)\n"
           "date '+%Y-%m-%d %H:%M:%S' > \"$here/product-started\" 2>/dev/null\n"
           "echo \"Lumora sample product " +
           o.version + " in $here\"\n";
}

std::string UninstallerScript(const SampleOptions& o) {
    return "#!/bin/sh\n"
           "# Removes the Lumora sample installation in the folder after _?= (the rest\n"
           "# of the command line: it is unquoted and last).\n"
           "UNINST_FAIL=" +
           Flag(o.uninstFail) +
           "\n"
           "UNINST_ERROR=" +
           Quoted(o.uninstError) +
           "\n"
           "UNINST_HANG=" +
           Flag(o.uninstHang) +
           "\n"
           "home=''; seen=0\n"
           "for a in \"$@\"; do\n"
           "  if [ $seen = 1 ]; then home=\"$home $a\"; continue; fi\n"
           "  case \"$a\" in _\\?=*) home=\"${a#_\\?=}\"; seen=1;; esac\n"
           "done\n"
           "[ -n \"$home\" ] || home=$(cd \"$(dirname \"$0\")\" && pwd)\n"
           "if [ \"$UNINST_FAIL\" = 1 ]; then echo State=Fail; exit 1; fi\n"
           "if [ -n \"$UNINST_ERROR\" ]; then echo \"Error=$UNINST_ERROR\"; exit 1; fi\n"
           "[ -d \"$home\" ] || { echo \"Error=no installation in $home\"; exit 1; }\n"
           "echo Progress=0.2\n" +
           std::string(kRemoveLaunchers) +
           "[ \"$UNINST_HANG\" = 1 ] && exec sleep 1000000\n"
           "for f in lumoraapp.exe lumora.dat VERSION product-started set.ini uninst.ep; do\n"
           "  rm -f \"$home/$f\" || { echo \"Error=cannot remove $home/$f\"; exit 1; }\n"
           "done\n"
           "rm -f \"$home\"/v*.marker\n"
           "echo Progress=0.8\n"
           "rmdir \"$home\" 2>/dev/null\n"
           "echo Progress=1\n"
           "echo State=Success\n";
}

std::string PackageScript(const SampleOptions& o, uint64_t payloadOffset) {
    char offset[32];
    std::snprintf(offset, sizeof offset, "%-12llu", static_cast<unsigned long long>(payloadOffset));
    const std::string eol = o.crlf ? "\\r\\n" : "\\n";
    std::string s;
    s += "#!/bin/sh\n";
    s += "# Lumora sample package " + o.version +
         ". Run with \"/S -console=show ... /D=DIR\" it installs\n";
    s += "# the sample product into DIR and reports on standard output, one Key=Value a line.\n";
    s += "PAYLOAD_OFFSET=" + std::string(offset) + "\n";
    s += "VERSION=" + Quoted(o.version) + "\n";
    s += "STARTUP=" + Quoted(o.startup) + "\n";
    s += "ENCODE=" + Quoted(o.encode) + "\n";
    s += "MESSAGE=" + Quoted(o.message) + "\n";
    s += "FAIL=" + Flag(o.fail) + "; ERROR=" + Quoted(o.error) + "; NOFINAL=" + Flag(o.noFinal) +
         "\n";
    s += "HANG=" + Flag(o.hang) + "; CRASH=" + Flag(o.crash) + "\n";
    s += "FLOOD_OUT=" + std::to_string(o.floodStdout) +
         "; FLOOD_ERR=" + std::to_string(o.floodStderr) + "\n";
    s += "say() { printf '%s" + eol + "' \"$1\"; }\n";
    // The folder is what /D= says, the last argument (the rest of the line,
    // as an installer reads it). -instdir= names the same folder: a package
    // that is given two different folders stops rather than guess.
    s += "dir=''; instdir=''; seen=0\n"
         "for a in \"$@\"; do\n"
         "  if [ $seen = 1 ]; then dir=\"$dir $a\"; continue; fi\n"
         "  case \"$a\" in\n"
         "    /D=*) dir=\"${a#/D=}\"; seen=1;;\n"
         "    -instdir=*) instdir=\"${a#-instdir=}\";;\n"
         "  esac\n"
         "done\n"
         "[ -n \"$dir\" ] || dir=\"$instdir\"\n"
         "[ -n \"$dir\" ] || { say 'Error=no install directory (/D=DIR)'; exit 1; }\n"
         "[ -z \"$instdir\" ] || [ \"$instdir\" = \"$dir\" ] || "
         "{ say \"Error=/D= and -instdir= name different folders: $dir, $instdir\"; exit 1; }\n"
         "fail_write() { say \"Error=cannot write $1\"; exit 1; }\n"
         "[ -n \"$ENCODE\" ] && say \"Encode=$ENCODE\"\n"
         "say Progress=0.05\n"
         "mkdir -p \"$dir\" 2>/dev/null || fail_write \"$dir\"\n"
         "if [ \"$FLOOD_OUT\" -gt 0 ]; then head -c \"$FLOOD_OUT\" /dev/zero | tr '\\0' 'x'; "
         "printf '\\n'; fi\n"
         "if [ \"$FLOOD_ERR\" -gt 0 ]; then head -c \"$FLOOD_ERR\" /dev/zero | tr '\\0' 'e' >&2; "
         "fi\n"
         "tail -c +$((PAYLOAD_OFFSET + 1)) \"$0\" > \"$dir/lumora.dat\" 2>/dev/null || fail_write "
         "\"$dir/lumora.dat\"\n"
         "say Progress=0.4\n"
         "[ \"$CRASH\" = 1 ] && kill -SEGV $$\n"
         "cat > \"$dir/lumoraapp.exe\" 2>/dev/null <<'LUMORA_PRODUCT' || fail_write "
         "\"$dir/lumoraapp.exe\"\n";
    s += ProductScript(o);
    s += "LUMORA_PRODUCT\n"
         "chmod 755 \"$dir/lumoraapp.exe\"\n"
         "say Progress=0.6\n"
         "cat > \"$dir/uninst.ep\" 2>/dev/null <<'LUMORA_UNINSTALLER' || fail_write "
         "\"$dir/uninst.ep\"\n";
    s += UninstallerScript(o);
    s += "LUMORA_UNINSTALLER\n"
         "chmod 755 \"$dir/uninst.ep\"\n";
    s += kWriteLaunchers;
    s += "printf '%s\\n' \"$VERSION\" > \"$dir/VERSION\" 2>/dev/null || fail_write "
         "\"$dir/VERSION\"\n"
         ": > \"$dir/v$VERSION.marker\"\n"
         "say Progress=0.9\n"
         "[ \"$HANG\" = 1 ] && exec sleep 1000000\n"
         "say \"InstallVersion=$VERSION\"\n"
         "say \"InstPath=$dir\"\n"
         "say \"ExePath=$dir/lumoraapp.exe\"\n"
         "say \"UninstEp=$dir/uninst.ep\"\n"
         "say \"StartupStyle=$STARTUP\"\n"
         "[ -n \"$MESSAGE\" ] && say \"Message=$MESSAGE\"\n"
         "say Progress=1\n"
         "if [ \"$FAIL\" = 1 ]; then say State=Fail; exit 1; fi\n"
         "if [ -n \"$ERROR\" ]; then say \"Error=$ERROR\"; exit 1; fi\n"
         "[ \"$NOFINAL\" = 1 ] || say State=Success\n"
         "exit 0\n";
    return s;
}
