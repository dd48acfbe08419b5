# Sourced by end-to-end scripts written before common.sh held the shared helpers.
. "$(dirname "${BASH_SOURCE[0]}")/common.sh"
