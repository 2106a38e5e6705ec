use strict;
use warnings;
use integer;

@@REPEAT V
my $v@k@ = 0;
@@END
my $r = 0;
{
@@REPEAT V
    $v@k@ = $v@prev@ + 1;
@@END
    $r = $r + 1;
    redo if $r < @N@;
}
print "$v0 $r\n";
