#!/bin/sh
# Prints the commit this tree is and its time, in seconds since 1970: from
# packaging/commit in a tree that git archive made (a release's source
# archive; git writes them in there), else from git.
set -e
cd "$(dirname "$0")/.."
read -r commit time < packaging/commit
case $commit in
  '$Format'*) exec git log -1 --format='%H %ct' ;;
esac
echo "$commit $time"
