#!/usr/bin/env bash
# Builds the `coverage` preset (g++ --coverage), runs the whole test suite and prints the line
# and branch coverage of the tool's own code (app/, listing/, report/, support/), with the
# lines and branches that no test reaches. An HTML report goes to build/coverage/html/.
#
#     tools/coverage.sh
#
# Branches that only throw exceptions and branches the compiler cannot reach are left out:
# with them, every library call that may throw counts as an untaken branch.
set -euo pipefail
cd "$(dirname "$0")/.."

command -v gcovr >/dev/null || { echo "gcovr is missing: apt-get install gcovr"; exit 1; }
cmake --preset coverage >/dev/null
cmake --build --preset coverage
build=build/coverage
find "$build" -name '*.gcda' -delete
ctest --preset coverage -j "$(nproc)" >"$build/ctest.log" 2>&1 ||
    { tail -30 "$build/ctest.log"; echo "tests failed, see $build/ctest.log"; exit 1; }
tail -3 "$build/ctest.log"

rm -rf "$build/html" && mkdir -p "$build/html"
# The search starts in the build folder: from the root it would also follow the wine prefix's
# drive link into the whole file system.
gcovr --root . --object-directory "$build" "$build" \
    --filter '(app|listing|report|support)/' \
    --exclude-throw-branches --exclude-unreachable-branches \
    --json "$build/coverage.json" --html-details "$build/html/index.html"
echo
echo "== lines"
gcovr --add-tracefile "$build/coverage.json" --txt
echo "== branches"
gcovr --add-tracefile "$build/coverage.json" --txt --branches
