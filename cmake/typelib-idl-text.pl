#!/usr/bin/perl
# Adds to a type library that widl wrote the texts the IDL holds but widl cannot store:
#
# - the help strings of enumeration values and record fields (widl refuses the attribute there),
#   written in the IDL as a comment on the line before the member, or in front of it:
#       /* helpstring("The classes root.") */
#       HKeyClassesRoot = -2147483647 - 1,
# - the text defaults of by-reference String parameters (widl takes only a number there),
#   written as a comment after the parameter's name; the parameter carries defaultvalue(0) so
#   that widl reserves the slot this step fills:
#       [in, out, optional, defaultvalue(0)] BSTR* sFileOpen /* defaultvalue("Open ") */
#
#   typelib-idl-text.pl kelzud10.tlb idl/*.idl
#
# The file is the MSFT type-library format. New texts go into copies of the string and custom
# data segments placed at the end of the file, and a type whose member records grow gets its
# member block copied there too; what they replace stays in place, unused.
use strict;
use warnings;

my ($file, @idl) = @ARGV;
die "usage: $0 file.tlb file.idl...\n" unless $file && @idl;

# ---- what the IDL asks for --------------------------------------------------------------------
my (%help, %text_default);    # "Type.member" => text; "Method.param" => text
for my $f (@idl) {
  open(my $in, '<', $f) or die "$0: $f: $!\n";
  my $src = do { local $/; <$in> };
  close $in;
  while ($src =~ /typedef\s*(?:\[[^\]]*\])?\s*(enum|struct)\s+\w+\s*\{(.*?)\}\s*(\w+)\s*;/sg) {
    my ($kind, $body, $type) = ($1, $2, $3);
    my $pending;
    for my $line (split /\n/, $body) {
      if ($line =~ s{/\*\s*helpstring\("([^"]*)"\)\s*\*/}{}) {
        die "$0: $f: $type: two help strings for one member\n" if defined $pending;
        $pending = $1;
      }
      $line =~ s{//.*$}{};
      next if $line =~ /^\s*$/;
      my ($member) = $kind eq 'enum' ? $line =~ /^\s*(\w+)\s*(?:=|,|$)/ : $line =~ /(\w+)\s*;\s*$/;
      die "$0: $f: $type: cannot read the member in '$line'\n" unless $member;
      if (defined $pending) {
        die "$0: $f: $type.$member: help strings are plain ASCII\n" if $pending =~ /[^\x20-\x7e]/;
        $help{"$type.$member"} = $pending;
        undef $pending;
      }
    }
    die "$0: $f: $type: a help string follows the last member\n" if defined $pending;
  }
  my $method = '';
  while ($src =~ /HRESULT\s+(\w+)\s*\(|BSTR\s*\*\s*(\w+)\s*\/\*\s*defaultvalue\("([^"]*)"\)\s*\*\//g) {
    if (defined $1) { $method = $1; next; }
    my $key = "$method.$2";
    die "$0: $f: $key has two text defaults\n" if exists $text_default{$key} && $text_default{$key} ne $3;
    die "$0: $f: $key: text defaults are plain ASCII\n" if $3 =~ /[^\x20-\x7e]/;
    $text_default{$key} = $3;
  }
}

# ---- the type library -------------------------------------------------------------------------
open(my $in, '<:raw', $file) or die "$0: $file: $!\n";
my $tlb = do { local $/; <$in> };
close $in;

sub i32 { unpack('l<', substr($tlb, $_[0], 4)) }
sub u32 { unpack('V', substr($tlb, $_[0], 4)) }
sub i16 { unpack('s<', substr($tlb, $_[0], 2)) }
sub put32 { substr($tlb, $_[0], 4) = pack('V', $_[1] & 0xffffffff) }
sub pad4 { my $s = shift; $s .= "\0" while length($s) % 4; $s }

die "$0: $file is not an MSFT type library\n" unless u32(0) == 0x5446534D;
my $varflags = i32(0x14);
my $ntypes = i32(0x20);
my $segdir = 0x54 + (($varflags & 0x100) ? 4 : 0) + 4 * $ntypes;
my @seg = map { [i32($segdir + 16 * $_), i32($segdir + 16 * $_ + 4)] } 0 .. 14;
my ($TYPEINFO, $NAMES, $STRINGS, $TYPEDESC, $CUSTDATA) = (0, 7, 8, 9, 11);

sub name_at {
  my $off = shift;
  return '' if $off < 0;
  my $at = $seg[$NAMES][0] + $off;
  return substr($tlb, $at + 12, unpack('C', substr($tlb, $at + 8, 1)));
}
sub segment {
  my $k = shift;
  return $seg[$k][0] < 0 ? '' : substr($tlb, $seg[$k][0], $seg[$k][1]);
}
my $strings = pad4(segment($STRINGS));
my $custdata = pad4(segment($CUSTDATA));
sub add_string {
  my $at = length $strings;
  $strings .= pad4(pack('v', length $_[0]) . $_[0]);
  return $at;
}
sub add_text_value {
  my $at = length $custdata;
  $custdata .= pad4(pack('vV', 8, length $_[0]) . $_[0]);
  return $at;
}
# BSTR*: a typedesc VT_PTR whose target is an inline VT_BSTR.
sub is_text_ref {
  my $type = shift;
  return 0 if $type < 0;
  my $at = $seg[$TYPEDESC][0] + $type;
  return (i32($at) & 0xffff) == 26 && u32($at + 4) == 0x80080008;
}

my (%used, @blocks);
my $tail = length(pad4($tlb));
for my $t (0 .. $ntypes - 1) {
  my $base = $seg[$TYPEINFO][0] + 0x64 * $t;
  my $mem = i32($base + 4);
  my $celem = u32($base + 0x18);
  my ($nfuncs, $nvars) = ($celem & 0xffff, $celem >> 16);
  next unless ($nfuncs || $nvars) && $mem > 0 && $mem < length $tlb;
  my $type_name = name_at(i32($base + 0x34));
  my $n = $nfuncs + $nvars;
  my $infolen = i32($mem);
  my $arrays = $mem + 4 + $infolen;
  my $rec = $mem + 4;
  # Text defaults: the default slots of a member follow its parameters' records.
  for my $f (0 .. $nfuncs - 1) {
    my $reclen = i32($rec) & 0xffff;
    my $nargs = i16($rec + 20);
    if (i32($rec + 16) & 0x1000) {
      my $defaults = $rec + $reclen - 16 * $nargs;
      my $params = $rec + $reclen - 12 * $nargs;
      my $func_name = name_at(i32($arrays + 4 * ($n + $f)));
      for my $p (0 .. $nargs - 1) {
        my ($type, $oname, $flags) = map { i32($params + 12 * $p + 4 * $_) } 0 .. 2;
        my $key = "$func_name." . name_at($oname);
        next unless exists $text_default{$key};
        die "$0: $type_name.$key: a text default needs a by-reference String with defaultvalue(0)\n"
          unless ($flags & 0x20) && is_text_ref($type);
        put32($defaults + 4 * $p, add_text_value($text_default{$key}));
        $used{"default $key"} = 1;
      }
    }
    $rec += $reclen;
  }
  # Help strings of enumeration values and record fields: a variable's record is 20 bytes, then
  # optionally its help context and its help string.
  my @wanted = grep { exists $help{"$type_name." . name_at(i32($arrays + 4 * ($n + $nfuncs + $_)))} } 0 .. $nvars - 1;
  next unless @wanted;
  die "$0: $type_name: members with help strings in a type with methods\n" if $nfuncs;
  my ($records, @offsets) = ('');
  for my $v (0 .. $nvars - 1) {
    my $at = $mem + 4 + i32($arrays + 4 * (2 * $n + $v));
    my $info = u32($at);
    my $r = substr($tlb, $at, $info & 0xffff);
    my $member = name_at(i32($arrays + 4 * ($n + $v)));
    if (exists $help{"$type_name.$member"}) {
      $r .= pack('V', 0) while length($r) < 0x1c;
      substr($r, 0x18, 4) = pack('V', add_string($help{"$type_name.$member"}));
      substr($r, 0, 4) = pack('V', ($info & 0xffff0000) | length $r);
      $used{"help $type_name.$member"} = 1;
    }
    push @offsets, length $records;
    $records .= $r;
  }
  my $block = pack('V', length $records) . $records . substr($tlb, $arrays, 8 * $n) . pack('V*', @offsets);
  put32($base + 4, $tail);
  push @blocks, $block;
  $tail += length $block;
}

my @missing = ((map { "help $_" } keys %help), (map { "default $_" } keys %text_default));
@missing = sort grep { !$used{$_} } @missing;
die "$0: the type library has no such member: @missing\n" if @missing;

$tlb = pad4($tlb) . join('', @blocks);
for ([$STRINGS, $strings], [$CUSTDATA, $custdata]) {
  my ($k, $bytes) = @$_;
  put32($segdir + 16 * $k, length $tlb);
  put32($segdir + 16 * $k + 4, length $bytes);
  $tlb .= $bytes;
}

open(my $out, '>:raw', "$file.tmp") or die "$0: $file.tmp: $!\n";
print $out $tlb;
close $out or die "$0: $file.tmp: $!\n";
rename "$file.tmp", $file or die "$0: $file: $!\n";
