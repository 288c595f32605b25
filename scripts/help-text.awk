# Reads the text of `vex3d help COMMAND` or of `vex3d-viewer --help`
# (LANG=C) and prints it as records,
# one per line, tab-separated, for the manual page and completion makers:
#   usage<TAB>OPERANDS         summary<TAB>TEXT        example<TAB>TEXT
#   option<TAB>SHORT<TAB>LONG<TAB>VALUE<TAB>HELP
# so that both read the help exactly as a user sees it.
function trim(s) { sub(/^[ \t]+/, "", s); sub(/[ \t]+$/, "", s); return s }
NR == 1 && /^usage: / {
  line = $0
  if (!sub(/^usage: vex3d [^ ]+ ?/, "", line)) sub(/^usage: [^ ]+ ?/, "", line)
  sub(/ ?\[options\]$/, "", line)
  print "usage\t" line; next
}
NR == 2 { print "summary\t" trim($0); next }
/^options:$/ { section = "options"; next }
/^example:$/ { section = "example"; next }
/^$/ { next }
section == "options" {
  body = $0; sub(/^ +/, "", body)
  split_at = index(body, "  ")
  syntax = split_at ? substr(body, 1, split_at - 1) : body
  help = split_at ? trim(substr(body, split_at)) : ""
  short = ""; long = ""; value = ""
  n = split(syntax, words, /[ ,]+/)
  for (i = 1; i <= n; i++) {
    if (words[i] ~ /^--/) long = substr(words[i], 3)
    else if (words[i] ~ /^-./) short = substr(words[i], 2)
    else if (words[i] != "") value = words[i]
  }
  print "option\t" short "\t" long "\t" value "\t" help
  next
}
section == "example" { print "example\t" trim($0) }
