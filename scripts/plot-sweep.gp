# The best tour so far against the generation, one line per label, from the
# CSV of a sweep (scripts/sweep.sh): a PNG.
#   gnuplot -e "csv='sweep.csv'; png='sweep.png'" scripts/plot-sweep.gp
# Optional: title='...', column=4 (average) or 5 (the generation's best)
# instead of 6 (the best so far).
if (!exists("csv")) csv = 'sweep.csv'
if (!exists("png")) png = 'sweep.png'
if (!exists("column")) column = 6
if (!exists("title")) title = ''
set datafile separator ','
# The labels in the order they first appear, each in double quotes (they
# may hold blanks).
labels = system(sprintf("awk -F, 'NR > 1 && !seen[$1]++ { printf \"\\\"%%s\\\" \", $1 }' '%s'", csv))
set terminal pngcairo size 900,540 font 'Liberation Sans,11'
set output png
set title title noenhanced
set xlabel 'generation'
set ylabel word(system(sprintf("head -n 1 '%s' | tr ',' ' '", csv)), column) . ' (tour length)' noenhanced
set key outside right top noenhanced
set grid
plot for [l in labels] csv using 3:(strcol(1) eq l ? column(column) : NaN) skip 1 with lines lw 2 title l
