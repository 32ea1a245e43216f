#!/usr/bin/env bash
# Drives the nodedb tool the way users do and checks its files and exit codes.
# Usage: tool_test.sh NODEDB_BINARY SOURCE_ROOT
set -u
tool="$1"
root="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0

expect() # expected-exit-code description command...
{
    local expected="$1" what="$2"
    shift 2
    "$@" >"$work/out" 2>"$work/err"
    local code=$?
    if [ "$code" -ne "$expected" ]; then
        echo "FAIL: $what: exit $code, expected $expected"
        cat "$work/err"
        failures=$((failures + 1))
    fi
}

expect 0 "help" "$tool" --help
expect 2 "no command" "$tool"
expect 2 "unknown command" "$tool" frobnicate x
expect 2 "convert without output" "$tool" convert "$root/samples/scene.xml"
expect 2 "generate without --nodes" "$tool" generate "$work/g.xml"

expect 0 "validate the sample" "$tool" validate "$root/samples/scene.xml"
expect 0 "stats of the sample" "$tool" stats "$root/samples/scene.xml"
grep -q "^nodes: " "$work/out" || { echo "FAIL: stats printed no node count"; failures=$((failures + 1)); }

expect 0 "generate" "$tool" generate --nodes 200 --seed 5 "$work/g.xml"
expect 0 "xml to binary" "$tool" convert "$work/g.xml" "$work/g.dbb"
expect 0 "binary to xml" "$tool" convert "$work/g.dbb" "$work/back.xml"
cmp -s "$work/g.xml" "$work/back.xml" || { echo "FAIL: XML -> binary -> XML changed the file"; failures=$((failures + 1)); }
expect 0 "generate is repeatable" "$tool" generate --nodes 200 --seed 5 "$work/again.xml"
cmp -s "$work/g.xml" "$work/again.xml" || { echo "FAIL: the same seed gave another file"; failures=$((failures + 1)); }

# A damaged file: validate names it, convert leaves the target alone.
sed 's/<float name="intensity">/<float name="intensity">x/' "$work/g.xml" >"$work/bad.xml"
echo "precious" >"$work/target.dbb"
expect 1 "validate a bad file" "$tool" validate "$work/g.xml" "$work/bad.xml"
grep -q "bad.xml: line [0-9]*: bad float value" "$work/err" || { echo "FAIL: no FILE: WHERE: WHAT line"; cat "$work/err"; failures=$((failures + 1)); }
expect 1 "convert a bad file" "$tool" convert "$work/bad.xml" "$work/target.dbb"
[ "$(cat "$work/target.dbb")" = "precious" ] || { echo "FAIL: convert touched its target"; failures=$((failures + 1)); }
expect 1 "missing file" "$tool" validate "$work/none.xml"

# diff and merge: exit codes as diff's, either format, nothing written on trouble.
sed 's/<float name="intensity">[^<]*</<float name="intensity">5</' "$work/g.xml" >"$work/edited.xml"
expect 0 "diff of one scene in two formats" "$tool" diff "$work/g.xml" "$work/g.dbb"
expect 1 "diff of an edit, mixed formats" "$tool" diff "$work/g.dbb" "$work/edited.xml"
grep -q '^~ /.*\.intensity: .* → 5$' "$work/out" || { echo "FAIL: diff shows no value change"; failures=$((failures + 1)); }
expect 1 "diff --stat" "$tool" diff --stat "$work/g.xml" "$work/edited.xml"
grep -q "values changed" "$work/out" || { echo "FAIL: no counts from --stat"; failures=$((failures + 1)); }
expect 2 "diff of a bad file" "$tool" diff "$work/g.xml" "$work/bad.xml"
expect 0 "a clean merge" "$tool" merge "$work/g.xml" "$work/g.dbb" "$work/edited.xml" -o "$work/merged.dbb"
expect 0 "the merge holds the edit" "$tool" diff "$work/edited.xml" "$work/merged.dbb"
expect 2 "merge with a bad file" "$tool" merge "$work/g.xml" "$work/target.dbb" "$work/bad.xml"
[ "$(cat "$work/target.dbb")" = "precious" ] || { echo "FAIL: merge touched its target"; failures=$((failures + 1)); }
expect 0 "convert to standard output" "$tool" convert "$work/g.dbb" -
cmp -s "$work/out" "$work/g.xml" || { echo "FAIL: convert - wrote other XML"; failures=$((failures + 1)); }

# Big files show a progress bar, but only on a terminal.
expect 0 "generate a few megabytes" "$tool" generate --nodes 5000 "$work/big.xml"
expect 0 "convert with no terminal" "$tool" convert "$work/big.xml" "$work/big.dbb"
[ -s "$work/err" ] && { echo "FAIL: progress written where no terminal reads it"; failures=$((failures + 1)); }
if command -v script >/dev/null; then
    for command in "convert $work/big.xml $work/big2.dbb" "validate $work/big.xml"; do
        script -qec "$tool $command" /dev/null >"$work/tty" 2>&1
        grep -q "\[#*\.*\] *100%" "$work/tty" || { echo "FAIL: no progress bar for $command"; failures=$((failures + 1)); }
    done
    cmp -s "$work/big.dbb" "$work/big2.dbb" || { echo "FAIL: the bar changed what convert wrote"; failures=$((failures + 1)); }
fi

# A user schema replaces the example one.
cat >"$work/schema.xml" <<'XML'
<schema version="1"><type name="Note" id="900"><attribute name="text" type="string"/></type></schema>
XML
cat >"$work/note.xml" <<'XML'
<nodedb version="1" kind="subtree"><node type="Note" name="n"><string name="text">hi</string></node></nodedb>
XML
expect 0 "validate with a user schema" "$tool" --schema "$work/schema.xml" validate "$work/note.xml"
expect 1 "the example schema lacks the user type" "$tool" validate "$work/note.xml"
expect 1 "generate with a user schema" "$tool" --schema "$work/schema.xml" generate --nodes 10 "$work/user.xml"
grep -q "generate writes only the example scene" "$work/err" || { echo "FAIL: generate did not say what it makes"; failures=$((failures + 1)); }

[ "$failures" -eq 0 ] && echo "all tool checks passed"
exit "$failures"
