use strict;
use warnings;
use integer;

my ($i, $x) = (0, 0);
{
    $i = $i + 1;
    if ($i < 0) {
@@REPEAT FAR
        $x = $x + 1;
@@END
    }
    redo if $i < @N@;
}
print "$i $x\n";
