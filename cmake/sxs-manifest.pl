#!/usr/bin/perl
# Writes the side-by-side assembly manifest of one in-process server, so that a program can use
# it without registration: each published class (class identifier, programmatic identifier,
# apartment threading), the type library, and the interfaces marshalled through it.
#
#   sxs-manifest.pl OUT NAME DLL VERSION ARCH GUIDS TLB library CATALOGUE SRCDIR
#   sxs-manifest.pl OUT NAME DLL VERSION ARCH GUIDS TLB sibling SRCDIR
#
# GUIDS is the identifier file widl writes (<name>_i.c), TLB the type library it writes. The library's classes are those the
# catalogue lists as creatable or global whose source is built (a class declared with KZ_CLASS or
# KZ_EMPTY_CLASS somewhere below SRCDIR), named "Kelzud10.<class>"; a sibling's classes are those
# its sources add to its table, named by their ProgId().
use strict;
use warnings;
use File::Find;

my ($out, $name, $dll, $version, $arch, $guids, $tlb, $mode, @rest) = @ARGV;
die "usage: see the head of $0\n" unless $mode && ($mode eq 'library' || $mode eq 'sibling');

sub slurp {
  my ($f) = @_;
  open(my $h, '<', $f) or die "$f: $!\n";
  local $/;
  my $t = <$h>;
  close $h;
  return $t;
}

# Every identifier widl defined, by its C name (CLSID_x, IID_x, DIID_x, LIBID_x).
my %guid;
my $ids = slurp($guids);
while ($ids =~ /MIDL_DEFINE_GUID\(\w+,\s*(\w+),\s*0x(\w+),\s*0x(\w+),\s*0x(\w+),((?:\s*0x\w+,?){8})\)/g) {
  my ($cname, $l, $w1, $w2, $bytes) = ($1, $2, $3, $4, $5);
  my @b = map { hex } ($bytes =~ /0x(\w+)/g);
  $guid{$cname} = sprintf('{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}', hex $l, hex $w1, hex $w2, @b);
}
my ($libid) = map { $guid{$_} } grep { /^LIBID_/ } sort keys %guid;
die "$guids: no library identifier\n" unless $libid;

sub sources_below {
  my ($dir) = @_;
  my @files;
  find(sub { push @files, $File::Find::name if /\.(cpp|h)$/ }, $dir);
  return map { slurp($_) } sort @files;
}

my @classes;  # [progid, class name]
if ($mode eq 'library') {
  my ($catalogue, $srcdir) = @rest;
  my $all = join("\n", sources_below($srcdir));
  my $cat = slurp($catalogue);
  while ($cat =~ /\bKZ_([CGD])\((\w+)\)/g) {
    my ($kind, $cls) = ($1, $2);
    next if $kind eq 'D';  # dependent classes are made by the library only
    next unless $all =~ /\bKZ_CLASS\(\s*\Q$cls\E\s*\)/ || $all =~ /\bKZ_EMPTY_CLASS\(\s*\Q$cls\E\s*,/;
    push @classes, ["Kelzud10.$cls", $cls];
  }
} else {
  my ($srcdir) = @rest;
  for my $text (sources_below($srcdir)) {
    next unless $text =~ /\bKZS_REGISTER_CLASS\(/;
    while ($text =~ /ProgId\(\)\s*\{\s*return\s+L"([^"]+)"/g) {
      my $progid = $1;
      (my $cls = $progid) =~ s/.*\.//;
      push @classes, [$progid, $cls];
    }
  }
}
die "no class found for $dll\n" unless @classes;

# The type library's version: the header's seventh 32-bit field, major in its low half.
open(my $t, '<:raw', $tlb) or die "$tlb: $!\n";
read($t, my $head, 28) == 28 or die "$tlb: too short\n";
close $t;
die "$tlb: not a type library\n" unless substr($head, 0, 4) eq 'MSFT';
my ($major, $minor) = unpack('v v', substr($head, 24, 4));
my $x = '';
$x .= qq{<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n};
$x .= qq{<assembly xmlns="urn:schemas-microsoft-com:asm.v1" manifestVersion="1.0">\n};
$x .= qq{  <assemblyIdentity type="win32" name="$name" version="$version" processorArchitecture="$arch"/>\n};
$x .= qq{  <file name="$dll">\n};
for my $c (@classes) {
  my ($progid, $cls) = @$c;
  my $clsid = $guid{"CLSID_$cls"} or die "$guids: no class identifier for $cls\n";
  $x .= qq{    <comClass clsid="$clsid" progid="$progid" threadingModel="Apartment" tlbid="$libid"/>\n};
}
$x .= qq{    <typelib tlbid="$libid" version="$major.$minor" helpdir=""/>\n};
$x .= qq{  </file>\n};
# Dual interfaces go through the automation marshaller, dispatch-only ones through the
# dispatch one, as registering the type library would set them up.
for my $cname (sort keys %guid) {
  next unless $cname =~ /^(D?)IID_(\w+)$/;
  my $ps = $1 ? '{00020420-0000-0000-C000-000000000046}' : '{00020424-0000-0000-C000-000000000046}';
  $x .= qq{  <comInterfaceExternalProxyStub name="$2" iid="$guid{$cname}" proxyStubClsid32="$ps" tlbid="$libid"/>\n};
}
$x .= qq{</assembly>\n};

open(my $h, '>', "$out.tmp") or die "$out: $!\n";
print $h $x;
close $h or die "$out: $!\n";
rename("$out.tmp", $out) or die "$out: $!\n";
