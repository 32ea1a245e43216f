#!/usr/bin/env bash
# A real git run with nodedb as merge driver, textconv and difftool: two
# branches edit one scene (in XML, then in the binary format), git merges and
# rebases them into the expected file, and a conflicting merge leaves git
# reporting the file as conflicted with the conflict recorded inside it.
# Usage: git_test.sh NODEDB_BINARY
set -u
tool="$(realpath "$1")"
work="$(mktemp -d)"
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL ($format): $*"; failures=$((failures + 1)); }

export GIT_AUTHOR_NAME=test GIT_AUTHOR_EMAIL=test@example.com
export GIT_COMMITTER_NAME=test GIT_COMMITTER_EMAIL=test@example.com
export GIT_CONFIG_NOSYSTEM=1 HOME="$work"

"$tool" generate --nodes 200 --seed 4 "$work/base.xml" || exit 1
light="$(grep -o 'type="Light" name="[^"]*"' "$work/base.xml" | head -1 | sed 's/.*name="\([^"]*\)"/\1/')"

# Edits made on the XML text; the files written by the tool are canonical,
# so applying several edits by hand gives exactly what a merge must write.
intensity() { sed "/name=\"$light\"/,/<\/node>/ s|<float name=\"intensity\">[^<]*<|<float name=\"intensity\">$1<|"; }
range() { sed "/name=\"$light\"/,/<\/node>/ s|<float name=\"range\">[^<]*<|<float name=\"range\">$1<|"; }
rename() { sed "s|name=\"$light\"|name=\"Renamed\"|"; }

for format in xml dbb; do
    repo="$work/$format"
    scene="scene.$format"
    mkdir "$repo" && cd "$repo" || exit 1
    git init -q -b main .
    "$tool" git-setup >/dev/null || fail "git-setup"
    grep -q "^\*\.dbb -text merge=nodedb diff=nodedb$" .gitattributes || fail ".gitattributes lacks the driver"
    # put FILTER: the scene in this repository's format, from XML text on standard input
    put() { cat >"$work/in.xml"; "$tool" convert "$work/in.xml" "$1"; }

    put "$scene" <"$work/base.xml"
    git add -A && git commit -qm base
    git checkout -qb ours
    intensity 42 <"$work/base.xml" | rename | put "$scene"
    git commit -qam "ours: brighter, renamed"
    git checkout -q main
    git checkout -qb theirs
    range 99 <"$work/base.xml" | put "$scene"
    git commit -qam "theirs: longer range"
    intensity 42 <"$work/base.xml" | range 99 | rename | put "$work/expected.$format"

    # The two edits touch neighbouring lines: only a semantic merge is clean.
    git checkout -q ours
    git merge -q --no-edit theirs >"$work/out" 2>&1 || { fail "merge with the driver"; cat "$work/out"; }
    cmp -s "$scene" "$work/expected.$format" || fail "merged file differs from the expected one"
    git checkout -q theirs
    git rebase -q ours >"$work/out" 2>&1 || { fail "rebase"; cat "$work/out"; }
    cmp -s "$scene" "$work/expected.$format" || fail "rebased file differs from the merged one"

    # textconv: git diff shows the XML text of either format.
    git diff HEAD~1 -- "$scene" | grep -q '^+.*<float name="range">99</float>' || fail "git diff shows no XML text"
    git difftool -y -t nodedb HEAD~1 -- "$scene" 2>&1 | grep -q "^~ .*\.range: .* → 99$" || fail "difftool shows no nodedb diff"

    # Both sides set one value two ways: git reports the file conflicted, the
    # file still loads, holds our value and records the conflict.
    git checkout -q -b other main
    intensity 7 <"$work/base.xml" | put "$scene"
    git commit -qam "other: dimmer"
    git checkout -q ours
    if git merge -q --no-edit other >"$work/out" 2>&1; then fail "a conflicting merge went through"; fi
    [ "$(git diff --name-only --diff-filter=U)" = "$scene" ] || fail "git does not report $scene as conflicted"
    "$tool" validate "$scene" || fail "the conflicted file does not load"
    "$tool" convert "$scene" - >"$work/conflicted.xml"
    grep -q '<float name="intensity">42</float>' "$work/conflicted.xml" || fail "our value is not kept"
    grep -q "<e>value	/World/.*Renamed.intensity	[^	]*	42	7</e>" "$work/conflicted.xml" || fail "no conflict record"
    git merge --abort
    cd "$work" || exit 1
done

# The default patterns take every XML file: the others still get git's line
# merge and text diff, and a scene both branches added merges from nothing.
format=others
repo="$work/others" && mkdir "$repo" && cd "$repo" || exit 1
git init -q -b main . && "$tool" git-setup >/dev/null || fail "git-setup"
printf '<config>\n  <a>1</a>\n  <b>1</b>\n  <c>1</c>\n  <d>1</d>\n</config>\n' >config.xml
git add -A && git commit -qm base
git checkout -qb ours && sed -i 's|<a>1|<a>2|' config.xml && git commit -qam "ours: a"
intensity 42 <"$work/base.xml" >added.xml && git add added.xml && git commit -qm "ours: a scene"
git checkout -q main && git checkout -qb theirs && sed -i 's|<d>1|<d>3|' config.xml && git commit -qam "theirs: d"
range 99 <"$work/base.xml" >added.xml && git add added.xml && git commit -qm "theirs: the scene otherwise"
git diff HEAD~2 -- config.xml | grep -q '^+  <d>3</d>$' || fail "git diff shows no text of another XML file"
git checkout -q ours
if git merge -q --no-edit theirs >"$work/out" 2>&1; then fail "both adding one scene two ways went through"; fi
grep -q '<a>2</a>' config.xml && grep -q '<d>3</d>' config.xml || fail "another XML file was not merged by line"
[ "$(git diff --name-only --diff-filter=U)" = "added.xml" ] || fail "git does not report only added.xml as conflicted"
"$tool" validate added.xml || fail "a scene both sides added holds conflict markers"
grep -q '<e>both added	' added.xml || fail "no conflict record in a scene both sides added"

[ "$failures" -eq 0 ] && echo "all git checks passed"
exit "$failures"
