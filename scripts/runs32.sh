#!/usr/bin/env bash
# Exits 0 when this kernel runs 32-bit x86 programs, 1 when it does not.
#
# It writes the smallest possible 32-bit Linux program (an ELF header, one program
# header and three instructions: exit with status 42), runs it and looks at its exit
# status. Nothing but the kernel takes part, so the answer cannot come from a missing
# library or tool: "Exec format error" (or any status but 42) means no.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
elf=(
  # ELF header: 32-bit, little-endian, executable, i386, entry 0x08048054
  '\x7fELF\x01\x01\x01\x00' '\x00\x00\x00\x00\x00\x00\x00\x00'
  '\x02\x00\x03\x00' '\x01\x00\x00\x00' '\x54\x80\x04\x08' '\x34\x00\x00\x00'
  '\x00\x00\x00\x00' '\x00\x00\x00\x00' '\x34\x00\x20\x00' '\x01\x00\x00\x00' '\x00\x00\x00\x00'
  # program header: one loadable, readable and executable segment of 96 bytes at 0x08048000
  '\x01\x00\x00\x00' '\x00\x00\x00\x00' '\x00\x80\x04\x08' '\x00\x80\x04\x08'
  '\x60\x00\x00\x00' '\x60\x00\x00\x00' '\x05\x00\x00\x00' '\x00\x10\x00\x00'
  # mov eax, 1 (exit); mov ebx, 42; int 0x80
  '\xb8\x01\x00\x00\x00' '\xbb\x2a\x00\x00\x00' '\xcd\x80'
)
printf '%b' "${elf[@]}" >"$dir/exit42"
chmod +x "$dir/exit42"
("$dir/exit42") 2>/dev/null
[ $? -eq 42 ]
