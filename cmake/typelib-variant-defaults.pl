#!/usr/bin/perl
# Gives the defaults of Variant parameters their type in a type library that widl wrote.
#
# widl stores `[optional, defaultvalue(n)] VARIANT* p` as a default of type VT_VARIANT (which no
# reader can use: callers see 0 or an error) and has no syntax for a typed one. This step
# rewrites each such default in the .tlb with the type its parameter name is given here, e.g.
#   typelib-variant-defaults.pl kelzud10.tlb bProcessVar=VT_BOOL lMinWidth=VT_I4
# keeping widl's number (a Boolean default is True for any non-zero number). A Variant default
# whose parameter has no rule stops the build, so a new one cannot slip through untyped.
# The file is the MSFT type-library format; only the default-value words change.
use strict;
use warnings;

my ($file, @rules) = @ARGV;
die "usage: $0 file.tlb name=VT_BOOL|VT_I4|VT_I2 ...\n" unless $file && @rules;
my %vt_of = (VT_I2 => 2, VT_I4 => 3, VT_BOOL => 11);
my %rule;
for (@rules) {
  my ($name, $vt) = /^(\w+)=(\w+)$/ or die "$0: bad rule '$_'\n";
  exists $vt_of{$vt} or die "$0: unsupported type $vt in '$_'\n";
  $rule{$name} = $vt_of{$vt};
}

open(my $in, '<:raw', $file) or die "$0: $file: $!\n";
my $tlb = do { local $/; <$in> };
close $in;

sub i32 { unpack('l<', substr($tlb, $_[0], 4)) }
sub u32 { unpack('V', substr($tlb, $_[0], 4)) }
sub i16 { unpack('s<', substr($tlb, $_[0], 2)) }
sub put32 { substr($tlb, $_[0], 4) = pack('V', $_[1] & 0xffffffff) }
sub put16 { substr($tlb, $_[0], 2) = pack('v', $_[1] & 0xffff) }

die "$0: $file is not an MSFT type library\n" unless u32(0) == 0x5446534D;
my $varflags = i32(0x14);
my $ntypes = i32(0x20);
my $pos = 0x54 + (($varflags & 0x100) ? 4 : 0) + 4 * $ntypes;
my @seg = map { [i32($pos + 16 * $_), i32($pos + 16 * $_ + 4)] } 0 .. 14;
my ($TYPEINFO, $NAMES, $TYPEDESC, $CUSTDATA) = (0, 7, 9, 11);

sub name_at {
  my $off = shift;
  return '' if $off < 0;
  my $at = $seg[$NAMES][0] + $off;
  return substr($tlb, $at + 12, unpack('C', substr($tlb, $at + 8, 1)));
}

# VARIANT or VARIANT*: an inline VT_VARIANT, or a typedesc VT_PTR to an inline VT_VARIANT.
sub is_variant_param {
  my $type = shift;
  return ($type & 0xffff) == 12 if $type < 0;
  my $at = $seg[$TYPEDESC][0] + $type;
  return (i32($at) & 0xffff) == 26 && u32($at + 4) == 0x800C000C;
}

my ($patched, @untyped) = (0);
for my $t (0 .. $ntypes - 1) {
  my $base = $seg[$TYPEINFO][0] + 0x64 * $t;
  my $mem = i32($base + 4);
  my $celem = u32($base + 0x18);
  my ($nfuncs, $nvars) = ($celem & 0xffff, $celem >> 16);
  next unless $nfuncs && $mem > 0 && $mem < length $tlb;
  my $type_name = name_at(i32($base + 0x34));
  my $infolen = i32($mem);
  my $rec = $mem + 4;
  for my $f (0 .. $nfuncs - 1) {
    my $reclen = i32($rec) & 0xffff;
    my $fkccic = i32($rec + 16);
    my $nargs = i16($rec + 20);
    if ($fkccic & 0x1000) {
      my $defaults = $rec + $reclen - 16 * $nargs;
      my $params = $rec + $reclen - 12 * $nargs;
      my $func_name = name_at(i32($mem + 4 + $infolen + 4 * ($nfuncs + $nvars + $f)));
      for my $p (0 .. $nargs - 1) {
        my ($type, $oname, $flags) = map { i32($params + 12 * $p + 4 * $_) } 0 .. 2;
        next unless ($flags & 0x20) && is_variant_param($type);
        my $slot = $defaults + 4 * $p;
        my $d = i32($slot);
        my ($vt, $value, $cust);
        if ($d < 0) {
          ($vt, $value) = (($d >> 26) & 0x1f, $d & 0x3ffffff);
        } else {
          $cust = $seg[$CUSTDATA][0] + $d;
          ($vt, $value) = (i16($cust), i32($cust + 2));
        }
        next unless $vt == 12;
        my $pname = name_at($oname);
        my $to = $rule{$pname};
        if (!defined $to) { push @untyped, "$type_name.$func_name($pname)"; next; }
        $value = $value ? 0xffff : 0 if $to == 11;
        $value &= 0xffff if $to == 2;
        if (($value & 0x3ffffff) == $value) {
          put32($slot, 0x80000000 | ($to << 26) | $value);
        } elsif (defined $cust) {
          put16($cust, $to);
        } else {
          die "$0: cannot store the default of $type_name.$func_name($pname)\n";
        }
        ++$patched;
      }
    }
    $rec += $reclen;
  }
}
die "$0: Variant parameters with a default of no type (add a rule): @untyped\n" if @untyped;

open(my $out, '>:raw', "$file.tmp") or die "$0: $file.tmp: $!\n";
print $out $tlb;
close $out or die "$0: $file.tmp: $!\n";
rename "$file.tmp", $file or die "$0: $file: $!\n";
