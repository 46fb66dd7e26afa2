# Which Windows build runs under Wine on this host (sourced by the scripts).
# Lumo is a 32-bit Windows program (build/win). Wine runs 32-bit programs
# through its 32-bit loader, a 32-bit Linux program; on a host whose kernel
# runs 64-bit code only (i386 execve fails with ENOEXEC), the same sources
# built for 64-bit Windows (build/win64) run under Wine's 64-bit loader
# instead, while build/win is still built, warnings as errors, as the product.
if /usr/lib/wine/wine --version >/dev/null 2>&1 || [ ! -x /usr/lib/wine/wine64 ]; then
    LUMO_WIN_BUILD=build/win
else
    LUMO_WIN_BUILD=build/win64
fi
