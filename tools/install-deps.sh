#!/bin/sh
# Installs the Debian packages the build and the tests need, only when some are missing.
set -e
PACKAGES="cmake make g++ pkg-config libgtest-dev libgmock-dev libbenchmark-dev zlib1g-dev \
libjpeg62-turbo-dev libcairo2-dev libfreetype-dev libfontconfig-dev libwoff-dev libbrotli-dev \
fonts-liberation2 fonts-dejavu-core fonts-ipafont-mincho fonts-wqy-zenhei qpdf python3-pil ccache \
libjbig2dec0-dev libopenjp2-7-dev chromium qt6-base-dev libqt6svg6"
missing=""
for p in $PACKAGES; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing="$missing $p"
    fi
done
[ -z "$missing" ] && exit 0
echo "installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends $missing
