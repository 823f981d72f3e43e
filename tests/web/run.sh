#!/usr/bin/env bash
# Builds the web page with the web preset and tests it in Debian's chromium against the console
# program. Exit 77 (skipped, with the reason) where a tool is missing.
# Usage: run.sh SOURCE_DIR LDSGEN
set -u
source_dir=$1 ldsgen=$(realpath "$2")
for tool in emcmake node /usr/bin/chromium; do
  if ! command -v "$tool" >/dev/null; then
    echo "skipped: the web tests need $tool (Debian: emscripten nodejs chromium)"
    exit 77
  fi
done
if [ ! -d "$source_dir/tests/web/node_modules/playwright-core" ]; then
  echo "skipped: the web tests need playwright-core: (cd tests/web && npm ci)"
  exit 77
fi
cd "$source_dir" || exit 1
cmake --preset web >/dev/null && cmake --build --preset web >/dev/null || exit 1
node tests/web/browser_test.mjs build/web/site "$ldsgen" tests/golden build/web/screenshots
