set i 0; set total 0
while 1 { incr i; if {$i % 2 == 1} { incr total $i }; if {!($i < 1000000)} break }
puts [expr {$total & 0xFFFFFFFF}]
