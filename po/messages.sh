#!/bin/sh
# The program's translatable messages (marked Tr("…") or TrNoop("…") in
# src/), collected by xgettext.
#   po/messages.sh pot            rewrites po/tabrin.pot
#   po/messages.sh check          fails when a catalogue (po/*.po) lacks a
#                                 translation of a message the sources mark
# A new message: mark it, run `pot`, merge with
# `msgmerge --update po/zh_TW.po po/tabrin.pot` and translate it.
set -eu
cd "$(dirname "$0")/.."

# A few messages are Chinese in the sources too (the ones whose translation
# only adds the full stop): xgettext's warning about non-ASCII message ids is
# expected for them.
collect() {
  # shellcheck disable=SC2046 # the sources' names hold no blanks
  xgettext --language=C++ --from-code=UTF-8 --keyword= --keyword=Tr --keyword=TrNoop \
    --add-comments=TRANSLATORS: --package-name=tabrin --sort-by-file -o "$1" \
    $(find src -name '*.cpp' -o -name '*.h' | LC_ALL=C sort) 2>&1 |
    grep -v -e 'contains non-ASCII characters' -e 'problems to translators' -e 'Consider using a pure ASCII' \
      -e '^ *[^ ].*[^ -~]' >&2 || true
}

case "${1:-}" in
  pot)
    collect po/tabrin.pot
    ;;
  check)
    scratch=$(mktemp -d)
    trap 'rm -rf "$scratch"' EXIT
    collect "$scratch/tabrin.pot"
    status=0
    for po in po/*.po; do
      msgfmt --check -o /dev/null "$po" || status=1
      # Every marked message has a translation (untranslated and fuzzy ones
      # count as missing).
      msgcmp "$po" "$scratch/tabrin.pot" || status=1
    done
    exit $status
    ;;
  *)
    echo "usage: po/messages.sh pot|check" >&2
    exit 2
    ;;
esac
