use strict;
use warnings;
use integer;

my ($lines, $len, $total) = (0, 0, 0);
while (my $line = <STDIN>) {
    chomp $line;
    $len = length $line;
    $total = $total + $len;
    $lines = $lines + 1;
}
print "$lines $total\n";
