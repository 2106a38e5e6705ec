use strict;
use warnings;
use integer;

my $i = 0;
{
    $i = $i + 1;
    redo if $i < @N@;
}
print "$i\n";
