use integer;
my $i = 0;
@@REPEAT L
$i = $i + 1;
@@END
print "$i\n";
