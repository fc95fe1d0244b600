#!/usr/bin/env bash
# Keeps the source layout honest: every folder includes only headers of its own library and of
# the libraries below it, the domain libraries link no GUI library, and no program file grows
# past 600 lines.
#   layout_check.sh SOURCE_DIR BINARY_OF_A_DOMAIN_TEST...
set -uo pipefail
src="$1"
shift
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# What each library may include, besides its own headers.
declare -A below=(
    [common]=""
    [catalogue]="common"
    [prices]="common"
    [widgets]=""
    [browser]="common widgets"
    [shops]="common catalogue widgets"
    [pricetable]="common prices widgets"
    [app]="common catalogue prices widgets browser shops pricetable"
)

# The folder that holds each of the program's headers.
declare -A home
for folder in "${!below[@]}"; do
    for header in "$src/$folder"/*.h; do
        [ -e "$header" ] && home[$(basename "$header")]=$folder
    done
done

for folder in "${!below[@]}"; do
    for file in "$src/$folder"/*.h "$src/$folder"/*.cpp; do
        [ -e "$file" ] || continue
        while IFS= read -r header; do
            owner=${home[$header]:-}
            [ -z "$owner" ] || [ "$owner" = "$folder" ] && continue
            case " ${below[$folder]} " in
            *" $owner "*) ;;
            *) fail "${file#"$src"/} includes $header of $owner/, which is not below $folder/" ;;
            esac
        done < <(sed -n 's/^#include "\([^"]*\)".*/\1/p' "$file")
        lines=$(wc -l <"$file")
        [ "$lines" -gt 600 ] && fail "${file#"$src"/} has $lines lines (at most 600)"
    done
done

# The domain libraries and their tests need no display: nothing of Qt's GUI is linked.
for binary in "$@"; do
    if readelf -d "$binary" | grep -E 'NEEDED.*libQt6(Gui|Widgets|OpenGL)' >/dev/null; then
        fail "$(basename "$binary") links a GUI library"
    fi
done

[ "$failures" -eq 0 ] && echo "Layout as it should be."
exit $((failures > 0))
