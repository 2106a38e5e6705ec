use strict;
use warnings;
use integer;

my ($len, $i, $j, $field, $start, $amount, $low, $high, $rows) = (0, 0, 0, 0, 0, 0, 0, 0, 0);
my ($c, $cut);
open(my $f, '<', '@DATA@') or die "@DATA@: $!";
while (my $line = <$f>) {
    chomp $line;
    $len = length $line;
    $i = 0;
    $field = 0;
    $start = 0;
    WALK: {
        last WALK if $i >= $len;
        $j = $i + 1;
        $c = substr $line, $i, 1;
        if ($c eq ',') {
            $field = $field + 1;
            if ($field == 3) {
                $cut = substr $line, $start, $i - $start;
                $amount = $cut + 0;
                $low = $low + $amount;
                $rows = $rows + 1;
                if ($low >= 1000000000) {
                    $low = $low - 1000000000;
                    $high = $high + 1;
                }
                last WALK;
            }
            $i = $j;
            $start = $j;
            redo WALK;
        }
        $i = $j;
        redo WALK;
    }
}
close $f;
print "$rows $high $low\n";
