#!/usr/bin/env bash
# can-run-i386.sh: exits 0 when this machine executes 32-bit x86 programs,
# 1 (with the reason on stdout) when it does not.
#
# Some kernels of our build machines run i386 code, others were built without
# it, and nothing but trying tells them apart. The try is a 96-byte static
# ELF program written here byte by byte (no compiler needed) whose only
# instructions are the i386 system call exit(42). Exit status 42 means the
# kernel loaded and ran it; "Exec format error" means it cannot.
set -u

folder=$(mktemp -d "${TMPDIR:-/tmp}/cabkit-i386.XXXXXX") || { echo "cannot make a temporary folder"; exit 1; }
trap 'rm -rf "$folder"' EXIT
probe=$folder/exit42

# ELF header (52 bytes): 32-bit, little endian, executable, machine 3 (i386),
# entry 0x08048054, one program header at offset 52.
header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
header+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
header+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
# Program header (32 bytes): load the whole 96-byte file at 0x08048000, r-x.
segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
segment+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
# Code (12 bytes): mov eax, 1 (exit); mov ebx, 42; int 0x80.
code='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
printf "$header$segment$code" >"$probe"
chmod +x "$probe"

if [[ $(uname -m) != x86_64 && $(uname -m) != i?86 ]]; then
  echo "the processor is $(uname -m), not x86"
  exit 1
fi
error=$("$probe" 2>&1)
status=$?
if [[ $status == 42 ]]; then
  exit 0
fi
if [[ $status == 126 ]]; then
  echo "the kernel does not execute 32-bit x86 programs (${error##*: })"
else
  echo "a 32-bit x86 test program did not run (exit status $status)"
fi
exit 1
