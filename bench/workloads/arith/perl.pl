use strict;
use warnings;
use integer;

my ($n, $m, $d, $sum) = (0, 0, 0, 0);
OUTER: {
    $n = $n + 1;
    $m = $n;
    INNER: {
        $d = $m % 10;
        $sum = $sum + $d;
        $m = $m / 10;
        redo INNER if $m > 0;
    }
    redo OUTER if $n < @N@;
}
print "$sum\n";
