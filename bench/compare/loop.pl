use integer;
my ($i, $total) = (0, 0);
while (1) { $i++; $total += $i if $i % 2 == 1; last unless $i < 1000000; }
print "$total\n";
