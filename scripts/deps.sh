#!/bin/sh
# Installs what building and testing ruvok95 needs on Debian 12, and makes
# 32-bit Windows programs runnable under Wine on a kernel that cannot run
# 32-bit code itself.
#
#   scripts/deps.sh        (or: . scripts/deps.sh)
#
# As root it installs whatever is missing; otherwise it prints the command to
# run and fails.  Silent when everything is already in place.  Safe to run
# again and again.

deps_main() (
    set -eu
    export DEBIAN_FRONTEND=noninteractive

    packages="cmake make g++ python3 googletest libgtest-dev clang libclang-rt-14-dev
        g++-mingw-w64-i686 mingw-w64-i686-dev
        wine wine64 wine32:i386 qemu-user-static
        xvfb xdotool x11-utils imagemagick fonts-ipafont-gothic"

    is_root() { [ "$(id -u)" = 0 ]; }

    need_i386=0
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        need_i386=1
    fi

    missing=""
    for p in $packages; do
        status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
        if [ "$status" != installed ]; then
            missing="$missing $p"
        fi
    done

    if [ "$need_i386" = 1 ] || [ -n "$missing" ]; then
        if ! is_root; then
            echo "deps.sh: missing:$missing; as root run:" >&2
            if [ "$need_i386" = 1 ]; then
                echo "  dpkg --add-architecture i386 && apt-get update && apt-get install -y$missing" >&2
            else
                echo "  apt-get update && apt-get install -y$missing" >&2
            fi
            return 1
        fi
        if [ "$need_i386" = 1 ]; then
            dpkg --add-architecture i386
        fi
        apt-get update -qq
        # $missing is a list of package names: split it.
        # shellcheck disable=SC2086
        apt-get install -y -qq $missing >/dev/null
    fi

    # Wine runs a 32-bit program with its 32-bit loader, an i386 ELF.  Where
    # the kernel has 32-bit support switched off, qemu must run it.
    loader32=/usr/lib/wine/wine
    runs_32bit() { QEMU_RESERVED_VA=0x81000000 "$loader32" --version >/dev/null 2>&1; }
    if ! runs_32bit; then
        if ! is_root; then
            echo "deps.sh: this kernel cannot run 32-bit programs; as root run scripts/deps.sh" \
                "to let qemu-i386 run them" >&2
            return 1
        fi
        binfmt=/proc/sys/fs/binfmt_misc
        if [ ! -e "$binfmt/register" ]; then
            mount -t binfmt_misc binfmt_misc "$binfmt"
        fi
        if [ -e "$binfmt/qemu-i386" ]; then
            # Registered earlier but switched off.
            echo 1 >"$binfmt/qemu-i386"
        else
            # The kernel decodes the \x escapes itself.  F opens the
            # interpreter now, so it also works inside other mount namespaces.
            printf '%s' ':qemu-i386:M::\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:F' \
                >"$binfmt/register"
        fi
        if ! runs_32bit; then
            echo "deps.sh: 32-bit programs still do not run ($loader32 --version fails)" >&2
            return 1
        fi
    fi
)

# Sourced: return, so the caller's shell stays; run: exit with the status.
if (return 0 2>/dev/null); then
    deps_main "$@"
    return $?
else
    deps_main "$@"
    exit $?
fi
