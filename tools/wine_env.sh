# Sourced: the Wine environment of one build folder (its own private prefix).
# Usage: . tools/wine_env.sh <build dir> <i686|x86_64>
# TOL_PREFIX_NAME names another prefix folder of the build (the demo keeps its own).
tol_build_dir=$(cd "${1:?build dir}" && pwd)
tol_arch=${2:?architecture}
export WINEPREFIX="$tol_build_dir/${TOL_PREFIX_NAME:-wineprefix}"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=;mshtml="
if [ "$tol_arch" = x86_64 ]; then
    export WINEARCH=win64
    export TOL_WINE=/usr/lib/wine/wine64
    export TOL_WINESERVER=/usr/lib/wine/wineserver64
    export WINELOADER=$TOL_WINE
else
    export WINEARCH=win32
    export TOL_WINE=/usr/lib/wine/wine
    export TOL_WINESERVER=/usr/bin/wineserver
fi
export TOL_ARCH=$tol_arch
unset DISPLAY
