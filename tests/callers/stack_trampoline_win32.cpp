// The trampoline of stack_trampoline.h in i386 assembly: a compiler would keep its own
// alignment, which is what the test must not rely on. Not reentrant (one call at a time).
#include "callers/stack_trampoline.h"

#include <cstddef>

static_assert(offsetof(quillon::test::CallRecord, espAtCall) == 0);
static_assert(offsetof(quillon::test::CallRecord, ebpAtCall) == 24);

asm(R"(
    .bss
    .lcomm quillonCallEsp, 4
    .lcomm quillonCallEbp, 4
    .text
    .globl _QuillonCallAtMisalignment
_QuillonCallAtMisalignment:
    pushl %ebp
    movl %esp, %ebp
    pushl %ebx
    pushl %esi
    pushl %edi
    movl 8(%ebp), %eax          # function
    movl 12(%ebp), %esi         # arguments
    movl 16(%ebp), %ecx         # count
    movl 20(%ebp), %edx         # misalignment
    # Room for the arguments below the saved registers, then ESP = 16n - misalignment.
    leal 0(,%ecx,4), %ebx
    movl %esp, %edi
    subl %ebx, %edi
    andl $-16, %edi
    subl %edx, %edi
    movl %edi, %esp
    xorl %edi, %edi
1:  cmpl %ecx, %edi
    jae 2f
    movl (%esi,%edi,4), %ebx
    movl %ebx, (%esp,%edi,4)
    incl %edi
    jmp 1b
2:  movl %esp, quillonCallEsp
    movl %ebp, quillonCallEbp
    movl $0x0B0B0B0B, %ebx
    movl $0x05150515, %esi
    movl $0x0D1D0D1D, %edi
    call *%eax
    # The frame is found again through the saved copy, so a callee that broke EBP is reported
    # rather than followed.
    movl quillonCallEbp, %ecx
    movl 24(%ecx), %edx         # record
    movl %esp, 4(%edx)
    movl %ebx, 8(%edx)
    movl %esi, 12(%edx)
    movl %edi, 16(%edx)
    movl %ebp, 20(%edx)
    movl %ecx, 24(%edx)
    movl quillonCallEsp, %ebx
    movl %ebx, 0(%edx)
    movl %ecx, %ebp
    leal -12(%ebp), %esp
    popl %edi
    popl %esi
    popl %ebx
    popl %ebp
    ret
)");
