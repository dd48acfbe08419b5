# Sourced by the end-to-end scripts.
# make_program_tree <install folder> <new folder>: a private copy of the
# install folder for one run. The executable and the planet library are hard
# links (copies across file systems), every data file a symbolic link in real
# folders, so whatever the program writes lands in the new folder only.
make_program_tree() {
  local source dest entry name
  source=$(realpath "$1")
  dest=$2
  mkdir -p "$dest" || return 1
  for entry in "$source"/*; do
    name=${entry##*/}
    case $name in
      telescope.log|nuvarine.ini) ;;  # left by earlier runs
      nuvarine2|*.so) ln "$entry" "$dest/$name" 2>/dev/null || cp "$entry" "$dest/$name" || return 1 ;;
      *) if [ -d "$entry" ]; then cp -rs "$entry" "$dest/$name" || return 1
         else ln -s "$entry" "$dest/$name" || return 1; fi ;;
    esac
  done
}

# require_programs <program:package>...: fails naming the missing package.
require_programs() {
  local pair missing=0
  for pair in "$@"; do
    if ! command -v "${pair%%:*}" >/dev/null 2>&1; then
      echo "FAIL: ${pair%%:*} is missing: install the Debian package ${pair#*:} (scripts/setup does)"
      missing=1
    fi
  done
  return $missing
}
