#!/bin/sh
# Installs what the build and the tests need, only when something is missing:
#   tools/install-deps.sh [NODE_FOLDER]
# Debian packages through apt-get (as root, or through sudo for other users), then
# playwright-core into NODE_FOLDER (default build/node) so that no test needs the network
# while it runs.
set -e
PACKAGES="cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev \
libjpeg62-turbo-dev libcairo2-dev libfreetype-dev libfontconfig-dev libwoff-dev libbrotli-dev \
fonts-liberation2 fonts-dejavu-core fonts-ipafont-mincho fonts-wqy-zenhei qpdf python3-pil ccache \
libjbig2dec0-dev libopenjp2-7-dev chromium firefox-esr qt6-base-dev libqt6svg6 \
slurm-wlm munge dpkg-dev lintian"
NODE_FOLDER=${1:-build/node}
PLAYWRIGHT=playwright-core@1

missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
# Node may come from elsewhere than Debian (a nodejs that bundles npm conflicts with Debian's
# npm package): what counts is that both commands run.
command -v node >/dev/null 2>&1 || missing="$missing nodejs"
command -v npm >/dev/null 2>&1 || missing="$missing npm"

explain() {
    echo "install-deps: these Debian packages are missing:$missing" >&2
    echo "install-deps: $1; as root, run" >&2
    echo "    apt-get update && apt-get install -y --no-install-recommends$missing" >&2
    echo "install-deps: and then this again." >&2
    exit 1
}

if [ -n "$missing" ]; then
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null 2>&1 || explain "this user is not root and sudo is not installed"
        SUDO="sudo"
    fi
    echo "install-deps: installing:$missing"
    $SUDO apt-get update -qq || explain "apt-get update failed"
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing || explain "apt-get install failed"
fi

# The browser tests drive chromium through playwright-core, installed here once.
if [ ! -f "$NODE_FOLDER/node_modules/playwright-core/package.json" ]; then
    echo "install-deps: installing $PLAYWRIGHT into $NODE_FOLDER"
    mkdir -p "$NODE_FOLDER"
    if ! npm install --no-audit --no-fund --no-save --prefix "$NODE_FOLDER" "$PLAYWRIGHT" >/dev/null; then
        echo "install-deps: npm could not install $PLAYWRIGHT into $NODE_FOLDER (is the npm registry reachable?)" >&2
        exit 1
    fi
fi
