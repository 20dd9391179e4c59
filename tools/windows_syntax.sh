#!/usr/bin/env bash
# Checks that every product source file compiles for Windows: the MinGW-w64 compiler, syntax
# only, against the system's Qt headers, with the definitions and include folders the build
# gives each file. No Windows build (there is no Qt for MinGW here to link against); it keeps
# the shared code free of POSIX calls and the _win files honest, though nothing here runs them.
# The simulator and the tests need pseudo-terminals and stay POSIX-only.
#
# Usage: tools/windows_syntax.sh [BUILD_DIR [JOBS]]   (BUILD_DIR holds compile_commands.json)
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$src/build}" && pwd)
jobs=${2:-$(nproc)}
cxx=x86_64-w64-mingw32-g++-posix
database=$build/compile_commands.json

command -v "$cxx" >/dev/null || { echo "$cxx is missing (Debian g++-mingw-w64-x86-64-posix)"; exit 1; }
command -v jq >/dev/null || { echo "jq is missing (Debian jq)"; exit 1; }
[ -f "$database" ] || { echo "$database is missing: configure the build first"; exit 1; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Folders that are not part of the product, relative to the source folder.
is_product() {
    case $1 in
        tests/* | sim/* | bench/* | tools/* | build*/* | *_posix.cpp) return 1 ;;
        *.cpp) return 0 ;;
        *) return 1 ;;
    esac
}

# Writes the definitions and include folders of one compile command as a response file, one
# argument a line, quoted for the compiler's own reader. The Linux qmake mkspecs folder becomes
# the MinGW one.
write_flags() {
    local command=$1 out=$2
    local -a args
    eval "args=($command)"
    local i=0 arg
    : >"$out"
    while [ $i -lt ${#args[@]} ]; do
        arg=${args[$i]}
        case $arg in
            -D* | -I*)
                arg=${arg//mkspecs\/linux-g++/mkspecs\/win32-g++}
                printf '%q\n' "$arg" >>"$out" ;;
            -isystem)
                i=$((i + 1))
                arg=${args[$i]//mkspecs\/linux-g++/mkspecs\/win32-g++}
                printf -- '-isystem\n%q\n' "$arg" >>"$out" ;;
        esac
        i=$((i + 1))
    done
}

declare -A flags_of=()
count=0
while IFS= read -r file && IFS= read -r command; do
    relative=${file#"$src"/}
    [ "$relative" != "$file" ] || continue
    case $file in "$build"/*) continue ;; esac
    flags="$work/$count.rsp"
    write_flags "$command" "$flags"
    count=$((count + 1))
    flags_of[$relative]=$flags
done < <(jq -r '.[] | (if (.file | startswith("/")) then .file else .directory + "/" + .file end),
                       .command' "$database")

# The jobs: each product file the build compiles, and each _win file with the flags of its
# POSIX twin (or of a file beside it), since this build never compiles it.
jobs_file=$work/jobs
: >"$jobs_file"
for relative in "${!flags_of[@]}"; do
    if is_product "$relative"; then
        printf '%s\t%s\n' "$relative" "${flags_of[$relative]}" >>"$jobs_file"
    fi
done
while IFS= read -r relative; do
    twin=${relative%_win.cpp}_posix.cpp
    flags=${flags_of[$twin]:-}
    if [ -z "$flags" ]; then
        for other in "${!flags_of[@]}"; do
            if [ "$(dirname "$other")" = "$(dirname "$relative")" ]; then
                flags=${flags_of[$other]}
                break
            fi
        done
    fi
    [ -n "$flags" ] || { echo "no compile command beside $relative"; exit 1; }
    printf '%s\t%s\n' "$relative" "$flags" >>"$jobs_file"
done < <(cd "$src" && find . -name '*_win.cpp' -not -path './build*' -printf '%P\n' | while read -r f; do
    if is_product "$f"; then echo "$f"; fi
done)

total=$(wc -l <"$jobs_file")
[ "$total" -gt 0 ] || { echo "no product source files in $database"; exit 1; }

# Header-only libraries the build finds in the system's include folder, which the MinGW
# compiler must not search as a whole (its C library headers are glibc's, not Windows').
mkdir -p "$work/system"
for library in CLI; do
    [ -d "/usr/include/$library" ] && ln -s "/usr/include/$library" "$work/system/$library"
done

export cxx src work
# One file: its errors go to a log named after it, which only a failure leaves behind.
check_one() {
    local relative=$1 flags=$2
    local log="$work/${relative//\//_}.log"
    if "$cxx" -std=c++20 -fsyntax-only -w "@$flags" -isystem "$work/system" "$src/$relative" >"$log" 2>&1; then
        rm -f "$log"
    else
        echo "FAIL: $relative"
    fi
}
export -f check_one
sort "$jobs_file" | tr '\t' '\n' | xargs -d '\n' -n 2 -P "$jobs" bash -c 'check_one "$@"' _ \
    | tee "$work/failures"

failed=$(grep -c '^FAIL' "$work/failures" || true)
if [ "$failed" -gt 0 ]; then
    for log in "$work"/*.log; do
        cat "$log"
    done
    echo "$failed of $total product source files do not compile for Windows"
    exit 1
fi
echo "$total product source files compile for Windows"
