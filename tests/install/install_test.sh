#!/usr/bin/env bash
# Installs the build into a fresh prefix with a fresh platform root and checks what a user gets:
# the programs and libraries in place, running from there, and both servers registered with the
# installed modules' paths.
set -euo pipefail
build=$1
prefix=$(mktemp -d /tmp/quorix-prefix-XXXXXX)
root=$(mktemp -d /tmp/quorix-root-XXXXXX)
trap 'rm -rf "$prefix" "$root"' EXIT
export QUORIX_ROOT=$root

cmake --install "$build" --prefix "$prefix" > "$root/install.log"

for file in bin/quorixprefs bin/qxregsvr32 bin/qxeventlog bin/qxreg lib/libquorix2.so lib/libquorixutils.so \
            lib/libquorixplatform.so lib/libqxgdiplus.so share/applications/quorixprefs.desktop; do
  [ -e "$prefix/$file" ] || { echo "missing $file"; exit 1; }
done

# The control, and its Designer plugin in Qt's plugin layout below the prefix, loading the control
# from there.
[ -e "$prefix/lib/libtallyfield.so" ] || { echo "missing lib/libtallyfield.so"; exit 1; }
plugin=$(find "$prefix" -path '*/qt6/plugins/designer/libtallyfieldplugin.so' | head -1)
[ -n "$plugin" ] || { echo "missing the Designer plugin below $prefix"; exit 1; }
# (Outputs are read whole before they are searched: grep -q stopping early would end the writer
# with SIGPIPE, which pipefail reports as a failure.)
plugin_libraries=$(ldd "$plugin")
[[ "$plugin_libraries" == *"libtallyfield.so => $prefix/"* ]] || { echo "the plugin does not find the installed control"; exit 1; }

# Registered from the installed modules.
server=$("$prefix/bin/qxreg" query 'HKCR\CLSID\{173BCF6D-6E27-44BF-BB2B-13F1175B760F}\InprocServer32' /v "")
[[ "$server" == *"$prefix/lib/libquorixutils.so"* ]] || { echo "Settings not registered: $server"; exit 1; }
model=$("$prefix/bin/qxreg" query 'HKCR\CLSID\{173BCF6D-6E27-44BF-BB2B-13F1175B760F}\InprocServer32' /v ThreadingModel)
[[ "$model" == *Apartment* ]] || { echo "wrong threading model: $model"; exit 1; }
doc=$("$prefix/bin/qxreg" query 'HKCR\CLSID\{1367491B-AEFF-4600-A7EE-677B8E632E84}\InprocServer32' /v "")
[[ "$doc" == *"$prefix/lib/libquorix2.so"* ]] || { echo "Doc not registered: $doc"; exit 1; }
# The installed programs find their libraries without the build tree.
events=$("$prefix/bin/qxeventlog" --source Quorix)
[[ "$events" == *"Quorix Registered Successfully"* ]] || { echo "no registration event: $events"; exit 1; }
program_libraries=$(ldd "$prefix/bin/quorixprefs")
if [[ "$program_libraries" == *"$build"* ]]; then echo "quorixprefs still uses the build tree"; exit 1; fi
echo "install ok"
