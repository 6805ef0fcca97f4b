# A whole 32-bit x86 program: it exits with status 32 through the i386 system
# call gate and does nothing else. A machine that runs it runs 32-bit code.
        .globl _start
_start:
        movl $1, %eax           # exit
        movl $32, %ebx          # the status that says it ran
        int $0x80
