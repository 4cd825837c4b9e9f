# Shared by run.sh and test.sh: installs missing Debian packages, then
# configures and builds a tree incrementally.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# Every package named in scripts/packages/*.txt (one per line, # comments).
wanted_packages() {
    sed -e 's/#.*//' -e '/^[[:space:]]*$/d' "$ROOT"/scripts/packages/*.txt | tr -d ' \t' | sort -u
}

ensure_packages() {
    local missing=()
    local pkg
    for pkg in $(wanted_packages); do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1; then
            sudo=(sudo)
        else
            echo "error: these Debian packages are missing and installing them needs root or sudo: ${missing[*]}" >&2
            exit 1
        fi
    fi
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# configure_and_build DIR [cmake options...]
configure_and_build() {
    local dir="$1"; shift
    if [ ! -f "$ROOT/$dir/build.ninja" ]; then
        cmake -S "$ROOT" -B "$ROOT/$dir" -G Ninja "$@"
    fi
    cmake --build "$ROOT/$dir" --parallel "$(nproc)"
}
