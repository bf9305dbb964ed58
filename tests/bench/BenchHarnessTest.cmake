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

# A word that is too long refuses the run with an error record (no counters
# shown) and exit status 0.
string(REPEAT "w" 256 long)
run_bench(out "--dir=${dir}" "--qry=${long}")
expect("${out}" "error\tWord longer than 255 characters: \"wwwwwwwwwwwwwwwwwwwwwwww...\"\n")
expect("${out}" "done\tentries=0\tfiles=0\tkb=0\tmb=\tstatus=\tseconds=")

# Several masks, as a file dialog takes them: what each finds, in walk order
# (a quoted argument of execute_process keeps its ';', a function's list would not).
execute_process(COMMAND ${EMULATOR} "${BENCH}" +rows "--dir=${dir}" "--msk=*.log ; *.txt;" --qry=needle --cmd=S
                OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 60)
string(REPLACE "\r" "" out "${out}")
expect("${out}" "request\tmask=*.log ; *.txt;\t")
run_bench(all +rows "--dir=${dir}" --msk=* --qry=needle --cmd=S)
# Name and folder of each row ('/' for '\', which would escape the lists' ';').
string(REPLACE "\\" "/" out "${out}")
string(REPLACE "\\" "/" all "${all}")
string(REGEX MATCHALL "row\t[^\t]+\t[^\t]+" found "${out}")
string(REGEX MATCHALL "row\t[^\t]+\t[^\t]+" walked "${all}")
list(LENGTH found count)
if(NOT count EQUAL 3 OR NOT "${found}" STREQUAL "${walked}")
  message(FATAL_ERROR "several masks: expected b.txt, c.txt and d.log in walk order:\n${out}\n${all}")
endif()
# A mask of nothing but blanks and ';', and a words field of quotes alone, say why.
execute_process(COMMAND ${EMULATOR} "${BENCH}" +rows "--dir=${dir}" "--msk= ; ;"
                OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 60)
expect("${out}" "error\tEnter a file mask, such as *.*")
# (A Windows command line reads quotes as its own: there they never reach the words.)
if(NOT WINDOWS)
  run_bench(out +rows "--dir=${dir}" "--qry=\"\"")
  expect("${out}" "error\tEnter a word between the quotes\n")
  string(FIND "${out}" "row\t" anyRow)
  if(NOT anyRow EQUAL -1)
    message(FATAL_ERROR "rows listed for a refused run:\n${out}")
  endif()
endif()

# Folders to skip: named in the request record, left out of rows and counters;
# a path among them refuses the run.
execute_process(COMMAND ${EMULATOR} "${BENCH}" +rows "--dir=${dir}" --msk=*.txt --qry=needle --cmd=S "--skip= SUB ; x"
                OUTPUT_VARIABLE out RESULT_VARIABLE rc TIMEOUT 60)
string(REPLACE "\r" "" out "${out}")
expect("${out}" "\trun=0\tskip=SUB ; x\n")
expect("${out}" "row\tb.txt\t")
expect("${out}" "done\tentries=2\tfiles=1\t")
string(FIND "${out}" "row\tc.txt" skipped)
if(NOT skipped EQUAL -1)
  message(FATAL_ERROR "a file of a skipped folder listed:\n${out}")
endif()
run_bench(out +rows "--dir=${dir}" --msk=*.txt --cmd=S "--skip=sub/x")
expect("${out}" "error\tSkip folders takes folder names, not paths: sub/x\n")

# Conditions: size and modification date, alone and combined.
string(REPEAT "x" 3000 kb3)
file(WRITE "${WORK}/cond/small.txt" "tiny")
file(WRITE "${WORK}/cond/big.txt" "${kb3}")
file(WRITE "${WORK}/cond/old.txt" "${kb3}")
execute_process(COMMAND touch -m -d "2001-06-15 12:00:00" "${WORK}/cond/old.txt" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "touch failed")
endif()
if(WINDOWS)
  set(cdir "${dir}\\cond")
else()
  set(cdir "${dir}/cond")
endif()

function(expect_files expected)
  run_bench(out +rows "--dir=${cdir}" ${ARGN})
  string(REGEX MATCHALL "row\t[^\t]+" found "${out}")
  string(REPLACE "row\t" "" found "${found}")
  list(SORT found)
  if(NOT "${found}" STREQUAL "${expected}")
    message(FATAL_ERROR "with ${ARGN}: expected rows [${expected}], got [${found}]\n${out}")
  endif()
endfunction()

expect_files("big.txt;old.txt" "+cond=Size (KB)|is greater than|1")
expect_files("small.txt" "+cond=size (kb)|EQUALS|0")
expect_files("old.txt" "+cond=Modification date|is smaller than|2010-01-01")
expect_files("old.txt" "+cond=Modification date|equals|2001-06-15")
expect_files("big.txt;old.txt;small.txt" "+cond=Modification date|is greater than|not-a-date" "+combine=2")
expect_files("" "+cond=Modification date|is greater than|not-a-date")
expect_files("big.txt;old.txt" "+cond=Size (KB)|is greater than|1" "+cond=Modification date|is smaller than|2010-01-01" "+combine=0")
expect_files("old.txt" "+cond=Size (KB)|is greater than|1" "+cond=Modification date|is smaller than|2010-01-01" "+combine=1")
expect_files("big.txt;old.txt;small.txt" "+cond=Colour|equals|1")
expect_files("" "+cond=Size (KB)|about|0")

# A size too large to hold refuses the run, naming the row; it never counts as 0.
run_bench(out +rows "--dir=${cdir}" "+cond=Modification date|is smaller than|2010-01-01"
          "+cond=Size (KB)|is greater than|99999999999999999999")
expect("${out}" "error\tSize too large in condition row 2: 99999999999999999999\n")
expect("${out}" "done\tentries=0\tfiles=0\tkb=0\tmb=\tstatus=\tseconds=")
string(FIND "${out}" "row\t" anyRow)
if(NOT anyRow EQUAL -1)
  message(FATAL_ERROR "rows listed for a refused run:\n${out}")
endif()
