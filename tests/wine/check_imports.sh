#!/usr/bin/env bash
# check_imports.sh OBJDUMP FILE pe32|pe32+
#
# Reads a Windows executable's headers with the target's objdump and fails (status 1) unless it
# is a Windows GUI program of the given word size whose import table names no DLL other than
# KERNEL32, USER32, GDI32, ADVAPI32 and msvcrt: the saver must run on a bare system, so
# everything else is linked in or loaded by name at run time. Status 2: wrong usage or objdump
# could not read the file.

set -u
allowed=(kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll)

if (($# != 3)) || [[ $3 != pe32 && $3 != pe32+ ]]; then
    echo "usage: $0 OBJDUMP FILE pe32|pe32+" >&2
    exit 2
fi
objdump=$1
file=$2
expected=$3

if ! headers=$("$objdump" -p "$file" 2>&1); then
    printf '%s\n' "$headers" >&2
    echo "$file: objdump could not read the file" >&2
    exit 2
fi

problems=0
problem() {
    echo "$file: $*" >&2
    problems=$((problems + 1))
}

magic=$(sed -n 's/^Magic[[:space:]]\{1,\}\([0-9a-fA-F]\{4\}\).*/\1/p' <<<"$headers")
case ${magic,,} in
010b) format=pe32 ;;
020b) format=pe32+ ;;
*) format="unknown (optional header magic '${magic}')" ;;
esac
[[ $format == "$expected" ]] || problem "is ${format^^}, expected ${expected^^}"

subsystem=$(sed -n 's/^Subsystem[[:space:]]\{1,\}\([0-9a-fA-F]\{8\}\).*/\1/p' <<<"$headers")
[[ $subsystem == 00000002 ]] || problem "subsystem is '${subsystem}', expected 00000002 (Windows GUI)"

mapfile -t dlls < <(sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*\(.*[^[:space:]]\)[[:space:]]*$/\1/p' \
    <<<"$headers")
((${#dlls[@]} > 0)) || problem "no import table found"
for dll in "${dlls[@]}"; do
    [[ " ${allowed[*]} " == *" ${dll,,} "* ]] || problem "imports $dll, which is not one of ${allowed[*]}"
done
((problems)) && exit 1
echo "$file: ${format^^} Windows GUI, imports ${dlls[*]}"
