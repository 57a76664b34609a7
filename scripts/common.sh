# Shared by the scripts: where the tree is, how many jobs, how to configure a build folder.
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
jobs=$(nproc 2>/dev/null || echo 2)

# configure DIR [cmake options...]: configures DIR with Ninja (and ccache where present) once.
configure() {
  local dir=$1; shift
  local launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$dir" -G Ninja "${launcher[@]}" "$@" >/dev/null
}

export SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen}
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
export ALSOFT_DRIVERS=${ALSOFT_DRIVERS:-null}
