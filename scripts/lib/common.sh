# Shared by the set-up commands: installs Debian packages that are missing, quietly.

ensure_packages() {
    local missing=()
    local package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
            missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing ${missing[*]}"
    if [ "$(id -u)" -ne 0 ]; then
        echo "Please run as root, or install these packages first: ${missing[*]}" >&2
        return 1
    fi
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq >/dev/null
    apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
}

# What the program needs to build, as README's "Building from source" names it (the libxcb -dev
# packages: the pointer's motion and shared memory frames under X11; Qt's private headers, libwayland
# and the Wayland protocols: the pointer and the fixed window under Wayland), and to run: Qt's
# platform plugins and translations, and the Japanese font.
BUILD_PACKAGES=(cmake ninja-build g++ pkgconf qt6-base-dev qt6-base-private-dev libxcb-xinput-dev libxcb-shm0-dev
    libwayland-dev wayland-protocols qt6-qpa-plugins qt6-wayland qt6-translations-l10n fonts-ipafont-gothic)
