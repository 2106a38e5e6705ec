use strict;
use warnings;
use integer;

my ($i, $n, $m, $r, $k, $total) = (0, 0, 0, 0, 0, 0);
my ($s, $a) = ("", "");
{
    $i = $i + 1;
    $s = "record $i of the run";
    $s = uc $s;
    $n = length $s;
    $m = $n - 7;
    $s = substr $s, 4, $m - 4;
    $a = "$a$s:$n,";
    $r = $i % 100;
    if ($r == 0) {
        $k = length $a;
        $total = $total + $k;
        $a = "";
    }
    redo if $i < @N@;
}
$k = length $a;
$total = $total + $k;
print "$total $s\n";
