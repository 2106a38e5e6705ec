my $t = "";
for my $i (1 .. 200000) { my $s = uc("item $i of the run"); my $n = length $s; $s = substr($s, 0, 4); $t .= $s; }
print length($t), "\n";
