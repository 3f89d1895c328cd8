#!/bin/sh
# Reads a public header for doxygen (FILTER_PATTERNS): its plain // comments become doc
# comments, so the headers keep the one comment style they have. The comment that opens the
# header documents the file; section titles stay plain (a "// ---- Title ----" line, and a
# "// -----" rule with the lines under it up to the next empty line); everything after
# "#pragma once" joins the group of the header's family (its folder under lib/, or
# "framework"). A range's dots lose their spaces ("0 .. 100" becomes "0..100"): a dot
# before a space would end the first sentence, the summary. Every line stays where it is.
case "$1" in
  */lib/*/*) family=$(basename "$(dirname "$1")") ;;
  *) family=framework ;;
esac
sed -E -e '$a /** @} */' \
  -e '1s%^//.*%& \\file%' \
  -e "s%^#pragma once\$%& /** \\\\addtogroup $family */ /** @{ */%" \
  -e '\%^// -+$%,/^$/b' \
  -e '\%^[[:space:]]*// ----%b' \
  -e 's%^([[:space:]]*)//( |$)%\1///\2%' \
  -e '\%^[[:space:]]*///%s% (\.\.\.?) %\1%g' "$1"
