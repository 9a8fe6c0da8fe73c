#!/usr/bin/env bash
# Makes a folder of programs that stands in for PATH while the tests run, so that a test
# or a stage that calls a program scripts/install-deps.sh does not install fails here, on
# the machine that was set up by hand, as it would on a fresh one.
#
# The folder holds, for every program name on PATH, a link to the first program of that
# name that a fresh Debian machine would have after scripts/install-deps.sh: one from a
# listed package, from a package those depend on, or from Debian's essential and required
# base. A name that has no such program gets a stand-in that names the program and the
# package it comes from, and fails.
#   scripts/guarded-path.sh DIR [PACKAGE...]   (default: the packages of install-deps.sh)
# Prints DIR; set PATH to it.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:?usage: scripts/guarded-path.sh DIR [PACKAGE...]}
shift
if [ $# -gt 0 ]; then listed=("$@"); else mapfile -t listed < <("$root/scripts/install-deps.sh" --list); fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The packages a fresh machine has: the listed ones, the base, and all they depend on
# (recommendations are not installed: install-deps.sh says --no-install-recommends).
printf '%s\n' "${listed[@]}" > "$work/listed"
dpkg-query -W -f='${Package}\t${Essential}\t${Priority}\t${Pre-Depends}, ${Depends}\t${Provides}\n' |
  awk -F'\t' -v listedFile="$work/listed" '
    function bare(name) { sub(/\(.*/, "", name); gsub(/[ \t]/, "", name); sub(/:.*/, "", name); return name }
    BEGIN { while ((getline line < listedFile) > 0) if (line != "") seed[line] = 1 }
    {
      installed[$1] = 1; depends[$1] = $4
      if ($2 == "yes" || $3 == "required") seed[$1] = 1
      n = split($5, provided, ",")
      for (i = 1; i <= n; i++) { p = bare(provided[i]); if (p != "") providers[p] = providers[p] " " $1 }
    }
    function take(name) {
      if ((name in installed) && !(name in allowed)) { allowed[name] = 1; queue[++tail] = name }
    }
    function add(name,   k, list, m) {  # a package, or a virtual one: each that provides it
      take(name)
      if (name in providers) { m = split(providers[name], list, " "); for (k = 1; k <= m; k++) take(list[k]) }
    }
    END {
      for (name in seed) add(name)
      for (head = 1; head <= tail; head++) {
        n = split(depends[queue[head]], clauses, ",")
        for (i = 1; i <= n; i++) {
          m = split(clauses[i], alternatives, "|")
          for (j = 1; j <= m; j++) { a = bare(alternatives[j]); if (a != "") add(a) }
        }
      }
      for (name in allowed) print name
    }' > "$work/allowed"

# Every program on PATH, in PATH order, with each link it goes through: a program that
# update-alternatives set up (/usr/bin/cc, /usr/bin/wineserver) belongs to the package
# whose file the chain reaches first, not to the package of the file at its end.
perl -e '
  use Cwd qw(abs_path);
  my $guard = shift;
  # A guarded PATH made earlier (the tests run under one) stands for the PATH it was made
  # from, which it keeps in .path.
  my @dirs;
  for my $d (split /:/, $ENV{PATH}) {
    if (open(my $origin, "<", "$d/.path")) { chomp(my $path = <$origin>); push @dirs, split /:/, $path }
    else { push @dirs, $d }
  }
  sub tidy { my @parts; for (split m{/+}, shift) { next if $_ eq "" || $_ eq ".";
    if ($_ eq "..") { pop @parts } else { push @parts, $_ } } return "/" . join("/", @parts) }
  my $guarded = -d $guard ? abs_path($guard) : "";
  my $index = 0;
  for my $d (@dirs) {
    $index++;
    next unless -d $d && abs_path($d) ne $guarded;
    opendir(my $listing, $d) or next;
    for my $name (sort readdir $listing) {
      my $path = "$d/$name";
      next unless -f $path && -x _;
      my @chain = ($path);
      while (@chain < 20 && defined(my $target = readlink $chain[-1])) {
        (my $from = $chain[-1]) =~ s{/[^/]*$}{};
        push @chain, tidy($target =~ m{^/} ? $target : "$from/$target");
      }
      print join("\t", $name, $index, @chain), "\n";
    }
  }' "$dir" > "$work/programs"

# The owning package of each program (Debian 12 merges /bin into /usr/bin, so a file may
# be listed under either). For each name, the first program a fresh machine has, else the
# first one found and why it is missing.
awk '{ package = FILENAME; sub(/.*\//, "", package); sub(/\.list$/, "", package); sub(/:.*/, "", package)
       print package "\t" $0 }' /var/lib/dpkg/info/*.list > "$work/owners"
awk -F'\t' -v allowedFile="$work/allowed" -v ownersFile="$work/owners" '
  function owner(path,   alt) {
    if (path in owners) return owners[path]
    alt = path
    if (sub(/^\/usr\//, "/", alt) && (alt in owners)) return owners[alt]
    alt = "/usr" path
    if (alt in owners) return owners[alt]
    return ""
  }
  BEGIN {
    while ((getline line < allowedFile) > 0) allowed[line] = 1
    while ((getline line < ownersFile) > 0) { split(line, f, "\t"); owners[f[2]] = f[1] }
  }
  {
    name = $1; if (name in chosen) next
    package = ""
    for (i = 3; i <= NF && package == ""; i++) package = owner($i)
    if (package != "" && (package in allowed)) { chosen[name] = $3; print "link\t" name "\t" $3; next }
    if (!(name in missing)) missing[name] = (package == "" ? "-" : package) "\t" $3
  }
  END { for (name in missing) if (!(name in chosen)) print "stub\t" name "\t" missing[name] }
' "$work/programs" > "$work/plan"

# Made by perl (Debian's base has it): a few thousand links in one process, not one each.
rm -rf "$dir"
mkdir -p "$dir"
perl -e '
  my $dir = shift;
  while (<STDIN>) {
    chomp;
    my ($kind, $name, $what, $where) = split /\t/;
    if ($kind eq "link") { symlink($what, "$dir/$name") or die "$dir/$name: $!\n"; next }
    my $reason = $what eq "-" ? "$where is not from a Debian package"
      : "$where comes from the Debian package $what, which scripts/install-deps.sh does not install";
    open(my $stub, ">", "$dir/$name") or die "$dir/$name: $!\n";
    print $stub "#!/bin/sh\necho \"$name: $reason: add it to scripts/install-deps.sh, or do without it\" >&2\nexit 127\n";
    close($stub);
    chmod(0755, "$dir/$name");
  }' "$dir" < "$work/plan"
# The PATH it stands for, so that a guarded PATH made under this one is made from it.
original=()
IFS=: read -ra entries <<< "$PATH"
for entry in "${entries[@]}"; do
  if [ -f "$entry/.path" ] && [ "$entry" != "$dir" ]; then original+=("$(cat "$entry/.path")"); else original+=("$entry"); fi
done
(IFS=:; printf '%s\n' "${original[*]}") > "$dir/.path"
echo "$dir"
