use strict;
use warnings;
use integer;

my ($n, $k, $c) = (0, 0, 0);
my ($w, $pair);
my @table;
open(my $f, '<', '@DATA@') or die "@DATA@: $!";
while (my $word = <$f>) {
    chomp $word;
    $n = @table;
    $k = 0;
    FIND: {
        if ($k >= $n) {
            push @table, [$word, 1];
            last FIND;
        }
        $pair = $table[$k];
        $w = $pair->[0];
        if ($w eq $word) {
            $c = $pair->[1];
            $c = $c + 1;
            splice @$pair, 1, 1;
            push @$pair, $c;
            last FIND;
        }
        $k = $k + 1;
        redo FIND;
    }
}
close $f;
$n = @table;
for ($k = 0; $k < $n; $k = $k + 1) {
    $pair = $table[$k];
    $w = $pair->[0];
    $c = $pair->[1];
    print "$w $c\n";
}
