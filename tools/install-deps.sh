#!/bin/sh
# The Debian packages each kind of build needs, in one place: the Makefile and .ci/run both
# install through this script.
#
#   tools/install-deps.sh GROUP...        install what the groups need and is missing
#   tools/install-deps.sh --list GROUP... print the groups' packages, one a line
#
# Whatever is missing is installed with apt-get, as root or through `sudo -n`. Where neither
# works, the script prints the one apt-get command that installs it and fails. Without
# apt-get and dpkg-query (not Debian or Ubuntu) it does nothing, and the Makefile's own checks
# name what is missing. INSTALL_DEPS=no only checks, and prints the command.
set -eu

packages_of() {
    case "$1" in
    build) echo cmake ninja-build g++ ;;
    test) echo libgtest-dev faketime mandoc strace ;;
    clang) echo clang ;;
    deb) echo dpkg-dev file ;;
    lint) echo lintian ;;
    mingw) echo g++-mingw-w64-x86-64-posix mandoc ;;
    zip) echo strip-nondeterminism ;;
    wine) echo wine wine64 ;;
    fuzz) echo clang libclang-rt-14-dev ;;
    coverage) echo gcovr ;;
    reproducible) echo git faketime ;;
    *)
        echo "$0: unknown group '$1' (build test clang deb lint mingw zip wine fuzz coverage" \
            "reproducible)" >&2
        exit 2
        ;;
    esac
}

list=no
if [ "${1:-}" = --list ]; then
    list=yes
    shift
fi
wanted=""
for group in "$@"; do
    for package in $(packages_of "$group"); do
        case " $wanted " in
        *" $package "*) ;;
        *) wanted="$wanted $package" ;;
        esac
    done
done
if [ $list = yes ]; then
    printf '%s\n' $wanted
    exit 0
fi

command -v dpkg-query >/dev/null 2>&1 && command -v apt-get >/dev/null 2>&1 || exit 0

missing=""
for package in $wanted; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $package"
done
[ -n "$missing" ] || exit 0

# Recommended packages are left out: none is needed, and wine's alone are hundreds of MB.
install="apt-get install --no-install-recommends$missing"
if [ "${INSTALL_DEPS:-yes}" != no ]; then
    if [ "$(id -u)" = 0 ]; then
        as_root=""
    elif command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
        as_root="sudo -n"
    else
        as_root=none
    fi
    if [ "$as_root" != none ]; then
        echo "Installing:$missing"
        $as_root apt-get update -qq
        $as_root env DEBIAN_FRONTEND=noninteractive $install -y -qq -o Dpkg::Use-Pty=0
        exit 0
    fi
fi
echo "$install" >&2
exit 1
