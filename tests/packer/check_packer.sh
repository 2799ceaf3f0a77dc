#!/usr/bin/env bash
# Checks the payload packer on the build machine: a good manifest gives a valid, deterministic payload; bad
# lines are refused with the file, the line and the reason; no failure leaves a partial or changed output.
set -uo pipefail
packer=$1 work=$2
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

rm -rf "$work"; mkdir -p "$work/files/sub"
cd "$work" || exit 1
printf '123456789' > files/check.txt
head -c 20000 /dev/zero | tr '\0' 'a' > files/sub/many.txt
: > files/empty.txt

cat > good.txt <<'MANIFEST'
# comment, then a blank line

main_program  | <InstallPath>                            | files/check.txt
shared_data   | <CommonData>\Merov & Dudidivi\Tarvolith 7 | files/sub/many.txt
	temporary | <Temporary> | files/empty.txt
MANIFEST

# Bytes of the decompressed archive as hexadecimal, from an offset, for a count.
hex_at() { bzip2 -dc "$1" | od -An -tx1 -j "$2" -N "$3" | tr -d ' \n'; }

# A good manifest.
"$packer" good.txt out.bz2 > stdout.txt 2> stderr.txt || fail "good manifest refused: $(cat stderr.txt)"
[[ -s out.bz2 ]] || fail "no payload written"
[[ $(head -c 4 out.bz2) == BZh9 ]] || fail "not a bzip2 stream with 900k blocks"
bzip2 -t out.bz2 2>/dev/null || fail "the payload is not valid bzip2"
archive_length=$(bzip2 -dc out.bz2 | wc -c)
header_length=$((0x$(hex_at out.bz2 0 8 | sed 's/\(..\)/\1\n/g' | tac | tr -d '\n')))
[[ $archive_length -eq $((header_length + 9 + 20000 + 0)) ]] || fail "archive length $archive_length, header $header_length"
[[ $(hex_at out.bz2 8 4) == 03000000 ]] || fail "entry count is not 3"
# First entry: source "files\check.txt" (15 units), folder "<InstallPath>" (13 units), kind 1, size 9, CRC.
first_fixed=$((12 + 4 + 30 + 4 + 26))
[[ $(hex_at out.bz2 $first_fixed 16) == 0100000009000000000000002639f4cb ]] || fail "first entry's kind, size or CRC"
[[ $(hex_at out.bz2 16 10) == 660069006c0065007300 ]] || fail "source path not UTF-16LE"
[[ ! -e out.bz2.partial ]] || fail "temporary output left behind"

# The same inputs give the same bytes, whichever the working folder.
mkdir -p elsewhere
(cd elsewhere && "$packer" ../good.txt ../again.bz2 > /dev/null) || fail "packing from another folder failed"
cmp -s out.bz2 again.bz2 || fail "the payload is not deterministic"

# With --archive, the archive before compression too: exactly what the payload decompresses to, and the
# payload itself unchanged by the option.
"$packer" --archive raw.archive good.txt with_archive.bz2 > /dev/null 2> stderr.txt || fail "--archive refused: $(cat stderr.txt)"
cmp -s out.bz2 with_archive.bz2 || fail "--archive changed the payload"
bzip2 -dc out.bz2 | cmp -s - raw.archive || fail "the archive written is not what the payload decompresses to"
[[ ! -e raw.archive.partial ]] || fail "temporary archive left behind"
# A failing run writes neither file.
echo old > kept.archive
"$packer" --archive kept.archive bad_missing.txt kept.bz2 > /dev/null 2>&1 && fail "a missing manifest was accepted"
[[ $(cat kept.archive) == old && ! -e kept.bz2 && ! -e kept.archive.partial ]] || fail "a failed run with --archive left output"
for args in "--archive" "--archive out.bz2 good.txt out.bz2" "--archive x good.txt" "--bogus x good.txt y.bz2"; do
  # shellcheck disable=SC2086
  "$packer" $args > /dev/null 2>&1; [[ $? -eq 2 ]] || fail "'$args' does not exit with 2"
done

# Bad manifests: a clear message naming file and line, a non-zero exit, no output, an old output unchanged.
expect_refused() { # manifest-text expected-message
  printf '%s\n' "$1" > bad.txt
  echo old > bad.bz2
  if "$packer" bad.txt bad.bz2 > /dev/null 2> stderr.txt; then
    fail "accepted: $1"
  fi
  grep -qF -- "$2" stderr.txt || fail "message for '$1' is '$(cat stderr.txt)', expected '$2'"
  [[ $(cat bad.bz2) == old ]] || fail "the old output changed after: $1"
  [[ ! -e bad.bz2.partial ]] || fail "temporary output left behind after: $1"
}
expect_refused $'# files\nmain_program | <InstallPath> | files/missing.txt' "bad.txt:2: source file 'files/missing.txt' does not exist"
expect_refused 'bogus | <InstallPath> | files/check.txt' "bad.txt:1: unknown kind 'bogus'"
expect_refused 'main_program | <InstallPath>' "bad.txt:1: expected 'kind | destination folder | source file', found 2 field(s)"
expect_refused 'main_program | <InstallPath> | files/check.txt | more' "bad.txt:1: expected 'kind | destination folder | source file', found 4 field(s)"
expect_refused 'main_program | <Nowhere>\x | files/check.txt' "bad.txt:1: unknown folder token '<Nowhere>'"
expect_refused 'main_program | <InstallPath>\..\Windows | files/check.txt' "must not contain '.' or '..'"
expect_refused 'main_program |  | files/check.txt' "bad.txt:1: the destination folder is empty"
expect_refused 'main_program | <InstallPath> | files/sub' "bad.txt:1: source file 'files/sub' is not a regular file"
expect_refused $'sample | <InstallPath> | files/check.txt\nsample | <InstallPath> | files/sub/../check.txt' "bad.txt:2: destination '<InstallPath>\\check.txt' is also written by line 1"
expect_refused $'main_program | <InstallPath> | files/\xff.txt' "bad.txt:1: the line is not valid UTF-8"
expect_refused '# nothing but comments' "bad.txt: lists no file"
# Every bad line is told, not only the first.
printf 'x | <InstallPath> | files/check.txt\ny | <InstallPath> | files/check.txt\n' > two.txt
"$packer" two.txt two.bz2 > /dev/null 2> stderr.txt
[[ $(grep -c "unknown kind" stderr.txt) -eq 2 ]] || fail "not every bad line was told: $(cat stderr.txt)"

# A failure after the payload was written (the output cannot be replaced) leaves nothing behind.
mkdir -p occupied.bz2
if "$packer" good.txt occupied.bz2 > /dev/null 2> stderr.txt; then fail "an output that is a folder was replaced"; fi
[[ -d occupied.bz2 && ! -e occupied.bz2.partial ]] || fail "a late failure left a partial output"

"$packer" only-one-argument > /dev/null 2>&1; [[ $? -eq 2 ]] || fail "a wrong command line does not exit with 2"

if [[ $failures -gt 0 ]]; then echo "$failures check(s) failed"; exit 1; fi
echo "ok: payload packer"
