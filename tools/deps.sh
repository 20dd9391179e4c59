# Debian 12 packages that building, running and testing need. Sourced by run.sh and test.sh.
ORVEX_BUILD_PACKAGES=(
    cmake g++ ninja-build ccache pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-svg-dev libgl-dev libcli11-dev
    qt6-qpa-plugins libqt6svg6 libqt6printsupport6 libqt6sql6-sqlite libqt6sql6-psql
)
ORVEX_TEST_PACKAGES=(
    clang-format xvfb xauth poppler-utils socat util-linux file desktop-file-utils appstream
    clang libfuzzer-14-dev libclang-rt-14-dev ser2net lintian postgresql postgresql-common
    g++-mingw-w64-x86-64-posix jq systemd
    # The booted station test: a Debian 12 root made and booted with systemd.
    systemd-container debootstrap procps
)

# Installs whatever of the given packages is missing, through sudo when not root.
orvex_ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$pkg")
        fi
    done
    if [ ${#missing[@]} -eq 0 ]; then
        return 0
    fi
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        sudo="sudo"
    fi
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}
