set t ""
for {set i 1} {$i <= 200000} {incr i} { set s [string toupper "item $i of the run"]; set n [string length $s]; set s [string range $s 0 3]; append t $s }
puts [string length $t]
