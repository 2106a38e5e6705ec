use strict;
use warnings;
use integer;

my ($i, $r, $x, $len, $mid, $sum) = (0, 0, 0, 0, 0, 0);
my @w;
{
    $i = $i + 1;
    $r = $i % 251;
    push @w, $r;
    $len = @w;
    splice @w, 0, 1 if $len > 100;
    $mid = $len / 2;
    $x = $w[$mid];
    $sum = $sum + $x;
    redo if $i < @N@;
}
$len = @w;
print "$sum $len\n";
