#include "hook_test_functions.h"

// Plain .globl labels and Intel syntax assemble alike into ELF and PE/COFF.
asm(R"(
    .intel_syntax noprefix
    .data
    .p2align 2
hookTestValue:
    .long 41

    .text
    .p2align 4
    .globl hookTargetIpRelative
hookTargetIpRelative:
    mov eax, dword ptr [rip + hookTestValue]
    add eax, 1
    ret

    .p2align 4
hookTestHelper40:
    mov eax, 40
    ret

    .p2align 4
    .globl hookTargetRelativeCall
hookTargetRelativeCall:
    call hookTestHelper40
    add eax, 2
    ret

    .p2align 4
    .globl hookTargetJumpTaken
hookTargetJumpTaken:
    xor eax, eax
    jz 1f
    mov eax, 1
    ret
1:  mov eax, 43
    ret

    .p2align 4
    .globl hookTargetJumpNotTaken
hookTargetJumpNotTaken:
    xor eax, eax
    jnz 1f
    mov eax, 44
    ret
1:  mov eax, 2
    ret

    .p2align 4
    .globl hookTargetPaddedAfter
hookTargetPaddedAfter:
    push 45
    pop rax
    ret
    .byte 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC, 0xCC

    .p2align 4
    .byte 0xCC, 0xCC, 0xCC, 0xCC, 0xCC
    .globl hookTargetPaddedBefore
hookTargetPaddedBefore:
    push 46
    pop rax
    ret
    .globl hookTargetAfterShort
hookTargetAfterShort:
    mov eax, 47
    ret

    .p2align 4
    .globl hookTargetLoop
hookTargetLoop:
    loop 1f
    nop
    nop
    nop
    nop
    nop
    nop
1:  ret

    .p2align 4
    .globl hookTargetForThreads
hookTargetForThreads:
    nop
    nop
    nop
    nop
    nop
    mov eax, 48
    ret
    .att_syntax prefix
)");
