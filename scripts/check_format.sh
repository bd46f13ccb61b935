#!/usr/bin/env bash
# Fails, naming the files, when a C++ file of the project is not laid out as .clang-format says.
# Apply the layout with: git ls-files '*.cpp' '*.h' | xargs clang-format -i
set -euo pipefail
cd "$(dirname "$0")/.."

mapfile -t files < <(git ls-files '*.cpp' '*.h' '*.hpp' 2>/dev/null || find src tests reference-server bench tools fuzz -name '*.cpp' -o -name '*.h')
unformatted=()
for f in "${files[@]}"; do
    clang-format --dry-run --Werror "$f" >/dev/null 2>&1 || unformatted+=("$f")
done
if [ ${#unformatted[@]} -gt 0 ]; then
    echo "Arquivos fora do formato de .clang-format:" >&2
    printf '  %s\n' "${unformatted[@]}" >&2
    exit 1
fi
echo "formato: ${#files[@]} arquivos conferidos"
