#!/usr/bin/env bash
# Installs what is missing (Debian packages), configures and builds into build/,
# and writes the demo database and its settings file beside the executable.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install_packages.sh build

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2

# The program folder: the executable with Data/QEL (and the demo database) beside it.
mkdir -p build/bin/Data
if [ -x build/bin/qel-make-demo-db ]; then
  build/bin/qel-make-demo-db --schema sql/sqlite/schema.sql --data sql/sqlite/demo_data.sql \
    --output build/bin/Data/demo.db >/dev/null
fi
echo gate2026 | build/bin/qel-settings --server file:Data/demo.db --database QEL \
  --login qel_gate --password - --output build/bin/Data/QEL >/dev/null
