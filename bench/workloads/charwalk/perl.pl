use strict;
use warnings;
use integer;

my ($len, $i, $inword, $words, $letters) = (0, 0, 0, 0, 0);
my $c;
open(my $f, '<', '@DATA@') or die "@DATA@: $!";
while (my $line = <$f>) {
    chomp $line;
    $len = length $line;
    $i = 0;
    $inword = 0;
    WALK: {
        last WALK if $i >= $len;
        $c = substr $line, $i, 1;
        $i = $i + 1;
        if ($c eq ' ') {
            $inword = 0;
            redo WALK;
        }
        $letters = $letters + 1;
        $words = $words + 1 if $inword == 0;
        $inword = 1;
        redo WALK;
    }
}
close $f;
print "$words $letters\n";
