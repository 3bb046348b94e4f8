# Shared by the scripts (sourced, under bash). Each says its failures in one line starting with its
# name, in $script.

# jobs_from_environment: the cores to use, from VORN_JOBS (default: all of them); exported again.
jobs_from_environment() {
  jobs=${VORN_JOBS:-$(nproc)}
  if ! [[ $jobs =~ ^[1-9][0-9]*$ ]]; then
    echo "$script: VORN_JOBS must be a whole number from 1 up, not '$jobs'" >&2
    exit 2
  fi
  export VORN_JOBS=$jobs
}

# make_build_folder DIR: makes DIR (taken from where the user stands) and sets build to its
# absolute path; a folder that cannot be made or written is said with the reason, before anything
# is installed or built.
make_build_folder() {
  local made
  if [ -e "$1" ] && [ ! -d "$1" ]; then
    echo "$script: the build folder $1 is a file, not a folder" >&2
    exit 1
  fi
  if ! made=$(mkdir -p -- "$1" 2>&1); then
    echo "$script: cannot make the build folder $1: ${made##*: }" >&2
    exit 1
  fi
  if [ ! -w "$1" ] || [ ! -x "$1" ]; then
    echo "$script: cannot write in the build folder $1: Permission denied" >&2
    exit 1
  fi
  build=$(cd -- "$1" && pwd)
}
