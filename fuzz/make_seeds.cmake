# Gathers the seed corpus for the fuzz targets: -DSOURCE=<project> -DSEEDS=<folder>. Besides the
# golden scripts, examples and workloads, fuzz/seeds/ holds scripts that reach every specialised
# handler with every kind of operand, where the differential target looks for faults.
# Each script is copied as <where>__<name>.cv, so seeds from different folders never collide.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE ${SEEDS})
file(MAKE_DIRECTORY ${SEEDS})
file(GLOB scripts ${SOURCE}/tests/scripts/*/*.cv ${SOURCE}/examples/*.cv
     ${SOURCE}/bench/workloads/*/corvel.cv ${SOURCE}/fuzz/seeds/*.cv)
foreach(script ${scripts})
  file(RELATIVE_PATH relative ${SOURCE} ${script})
  string(REPLACE "/" "__" name ${relative})
  file(COPY_FILE ${script} ${SEEDS}/${name})
endforeach()
list(LENGTH scripts count)
message(STATUS "${count} seeds in ${SEEDS}")
