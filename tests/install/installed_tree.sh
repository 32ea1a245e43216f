#!/usr/bin/env bash
# Checks of an installed dbui, as its users meet it. Usage:
#   installed_tree.sh install    PREFIX BUILD_DIR
#   installed_tree.sh embed-host PREFIX SOURCE_ROOT WORK_DIR CXX MAKE_PROGRAM HOST_FLAGS
#   installed_tree.sh pkg-config PREFIX SOURCE_ROOT WORK_DIR CXX HOST_FLAGS
#   installed_tree.sh exports    PREFIX
set -euo pipefail
mode="$1"
prefix="$2"
shift 2

fail() { echo "FAIL: $*"; exit 1; }

libdir() { dirname "$(find "$prefix" -name 'libdbui.so' | head -1)"; }

case "$mode" in
install)
    rm -rf "$prefix"
    cmake --install "$1" --prefix "$prefix" >/dev/null
    ;;

embed-host)
    # The README's host, configured with nothing but the prefix to find dbui in.
    source_root="$1" work="$2" cxx="$3" make_program="$4" flags="$5"
    rm -rf "$work"
    cmake -S "$source_root/examples/embed-host" -B "$work" -G Ninja -DCMAKE_MAKE_PROGRAM="$make_program" \
        -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_PREFIX_PATH="$prefix" >"$work.log" 2>&1 \
        || { cat "$work.log"; fail "embed-host does not configure against the installed package"; }
    cmake --build "$work" >>"$work.log" 2>&1 || { cat "$work.log"; fail "embed-host does not build"; }
    output="$(timeout 120 "$work/embed-host" --quit-when-painted "$source_root/samples/scene.xml")" \
        || fail "embed-host did not exit cleanly"
    echo "$output"
    [[ "$output" =~ painted\ ([0-9]+)\ nodes ]] || fail "embed-host never painted its tree"
    [ "${BASH_REMATCH[1]}" -gt 100 ] || fail "embed-host painted an empty document"
    ;;

pkg-config)
    # A build that knows only pkg-config: the node database of the installed tree reads the sample.
    source_root="$1" work="$2" cxx="$3" flags="$4"
    rm -rf "$work" && mkdir -p "$work"
    cat >"$work/count.cpp" <<'CPP'
#include <db/Database.h>
#include <db/FileInputStream.h>
#include <db/LoaderXML.h>
#include <cstdio>
int main(int, char** argv)
{
    db::Database database(L"Counted");
    db::FileInputStream stream{std::string(argv[1])};
    db::LoaderXML loader(stream);
    if (!loader.load(database))
        return 1;
    std::printf("%zu\n", database.getTotalNodeCount());
}
CPP
    export PKG_CONFIG_PATH="$(libdir)/pkgconfig"
    pkg-config --exact-version="$(pkg-config --modversion dbui)" dbui || fail "no dbui.pc"
    # shellcheck disable=SC2046,SC2086
    "$cxx" -std=c++17 $flags "$work/count.cpp" -o "$work/count" $(pkg-config --cflags --libs dbui) \
        -Wl,-rpath,"$(pkg-config --variable=libdir dbui)" || fail "a pkg-config build does not compile or link"
    nodes="$("$work/count" "$source_root/samples/scene.xml")" || fail "the pkg-config build cannot load the sample"
    [ "$nodes" -gt 100 ] || fail "the pkg-config build read $nodes nodes"
    ;;

exports)
    # Nothing of ours outside our namespaces and the few global names hosts
    # know us by; no `using namespace` or unprefixed macro in a public header;
    # public headers include only public headers.
    lib="$(libdir)"
    allowed='^(db|OrkP|dbui|wxUtils|Tarn|Orkutils)::'
    allowed+='|^(typeinfo|typeinfo name|vtable|VTT|guard variable) for (db|OrkP|dbui|wxUtils|Tarn|Orkutils)::'
    allowed+='|^(non-)?virtual thunk to (db|OrkP|dbui|wxUtils|Tarn|Orkutils)::'
    allowed+='|^gTarn$|^wxUTILS_EVT_[A-Z_]+$|^wxEVT_CHILD_KILL_FOCUS$'
    # Names the linker and the sanitizers' instrumentation add to every library.
    allowed+='|^(_init|_fini|_edata|_end|__bss_start)$|^_*(asan|ubsan|sanitizer|odr_asan)'
    count=0
    for so in "$lib"/libdbui*.so; do
        symbols="$(nm -D --defined-only "$so" | awk '{ $1 = ""; $2 = ""; sub(/^  /, ""); print }' | c++filt)"
        count=$((count + $(wc -l <<<"$symbols")))
        strays="$(grep -Ev "$allowed" <<<"$symbols" || true)"
        [ -z "$strays" ] || fail "$(basename "$so") exports names outside our namespaces:"$'\n'"$strays"
    done
    [ "$count" -gt 1000 ] || fail "only $count exported symbols: are the classes exported at all?"
    # The opt-in counter may replace the allocation functions, and nothing else outside our names.
    # Weak definitions are the compiler's copies of inline functions, not ours.
    strays="$(nm --defined-only -g "$lib/libdbui-live-blocks.a" | awk 'NF == 3 && $2 !~ /[WVu]/ { print $3 }' | c++filt \
        | grep -Ev '^operator (new|delete)' | grep -Ev "$allowed" || true)"
    [ -z "$strays" ] || fail "libdbui-live-blocks.a defines:"$'\n'"$strays"

    include="$prefix/include"
    ours='dbui|db|OrkP|wxUtils|Tarn|Orkutils|foundations'
    problems="$(grep -rnE '^\s*using\s+namespace\b' "$include" || true)"
    [ -z "$problems" ] || fail "using namespace in public headers:"$'\n'"$problems"
    problems="$(grep -rnE '^\s*#\s*define\s+' "$include" | grep -vE '#\s*define\s+(DBUI_|wxUTILS_)' || true)"
    [ -z "$problems" ] || fail "macros without our prefix:"$'\n'"$problems"
    problems="$(grep -rnE '^\s*#\s*include\s+"' "$include" || true)"
    [ -z "$problems" ] || fail "public headers include by quotes, not by their library's name:"$'\n'"$problems"
    while IFS= read -r header; do
        [ -f "$include/$header" ] || fail "a public header includes <$header>, which is not installed"
    done < <(grep -rhoE "^\s*#\s*include\s+<($ours)/[^>]+>" "$include" | sed -E 's/.*<(.*)>/\1/' | sort -u)
    echo "$count exported symbols, all in our namespaces"
    ;;

*)
    fail "unknown mode $mode"
    ;;
esac
