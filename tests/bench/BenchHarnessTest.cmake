# Runs sorvik-bench on a tree made here and checks its records.
# -DBENCH=<exe> -DEMULATOR=<wine wrapper or empty> -DWORK=<folder> -DWINDOWS=<0|1>
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/a.txt" "nothing to see")
file(WRITE "${WORK}/b.txt" "a Needle in the hay")
file(WRITE "${WORK}/sub/c.txt" "needle")
file(WRITE "${WORK}/sub/d.log" "needle")

if(WINDOWS)
  string(REPLACE "/" "\\" dir "Z:${WORK}")
  set(sep "\\")
else()
  set(dir "${WORK}")
  set(sep "/")
endif()

function(run_bench out)
  execute_process(COMMAND ${EMULATOR} "${BENCH}" ${ARGN}
                  OUTPUT_VARIABLE text RESULT_VARIABLE rc TIMEOUT 60)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "sorvik-bench exited with ${rc}: ${text}")
  endif()
  string(REPLACE "\r" "" text "${text}")
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

function(expect text pattern)
  string(FIND "${text}" "${pattern}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "expected [${pattern}] in:\n${text}")
  endif()
endfunction()

run_bench(out +rows "--dir=${dir}" --msk=*.txt --qry=needle --cmd=S)
expect("${out}" "request\tmask=*.txt\tfolder=${dir}\twords=needle\toptions=S\tmode=0\thasvalues=1\trun=0\n")
expect("${out}" "row\tb.txt\t${dir}${sep}\t19\t")
expect("${out}" "row\tc.txt\t${dir}${sep}sub${sep}\t6\t")
expect("${out}" "done\tentries=3\tfiles=2\tkb=0\tmb=   0.000 MB\tstatus=(F) ${dir}${sep}sub${sep}c.txt\tseconds=")
string(FIND "${out}" "row\tb.txt" first)
string(FIND "${out}" "row\tc.txt" second)
if(first GREATER second)
  message(FATAL_ERROR "rows out of walk order:\n${out}")
endif()

# Case-sensitive, whole words, all words; no rows printed without +rows.
run_bench(out "--dir=${dir}" --msk=*.* "--qry=needle hay" --cmd=WC --mtc=ALL --run)
expect("${out}" "options=WC\tmode=1\thasvalues=1\trun=1\n")
expect("${out}" "files=0\t")
string(FIND "${out}" "row\t" anyRow)
if(NOT anyRow EQUAL -1)
  message(FATAL_ERROR "rows printed without +rows:\n${out}")
endif()

# A word that is too long ends the run with an error record and exit status 0.
string(REPEAT "w" 256 long)
run_bench(out "--dir=${dir}" "--qry=${long}")
expect("${out}" "error\tLength of text to be found must be 255 characters or less\n")
expect("${out}" "done\tentries=0\tfiles=0\tkb=0\tmb=   0.000 MB\tstatus=\tseconds=")
