#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer on the bundled sample album.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build"
exec "$root/build/bin/folivex" "$root/build/sample/Sample.ajv"
