use strict;
use warnings;
use integer;

sub square {
    my ($x) = @_;
    return $x * $x;
}

sub mod7 {
    my ($x) = @_;
    return $x % 7;
}

sub clamp {
    my ($x) = @_;
    my $r = $x;
    $r = 20 if $x > 20;
    return $r;
}

sub hyp {
    my ($x, $z) = @_;
    my $s = square($x);
    return square($z) + $s;
}

my ($i, $a, $b, $y, $sum) = (0, 0, 0, 0, 0);
{
    $i = $i + 1;
    $a = $i % 1000;
    $y = square($a);
    $sum = $sum + $y;
    $y = mod7($a);
    $sum = $sum + $y;
    $a = $i % 37;
    $y = square($a);
    $sum = $sum + $y;
    $y = clamp($a);
    $sum = $sum + $y;
    $y = mod7($a);
    $sum = $sum - $y;
    $b = $i % 101;
    $y = hyp($a, $b);
    $sum = $sum + $y;
    $y = clamp($b);
    $sum = $sum - $y;
    $sum = $sum - 1000000000 if $sum > 1000000000;
    redo if $i < @N@;
}
print "$sum\n";
