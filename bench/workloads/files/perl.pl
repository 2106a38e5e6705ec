use strict;
use warnings;
use integer;

my ($i, $n, $lines, $total) = (0, 0, 0, 0);
open(my $f, '>', 'lines.txt') or die "lines.txt: $!";
{
    $i = $i + 1;
    print $f "record $i of the bench files\n";
    redo if $i < @N@;
}
close $f or die "lines.txt: $!";
open($f, '<', 'lines.txt') or die "lines.txt: $!";
while (my $line = <$f>) {
    chomp $line;
    $n = length $line;
    $total = $total + $n;
    $lines = $lines + 1;
}
close $f;
print "$lines $total\n";
