@ TalveniaGDFS.exe's entry point (AddressOfEntryPoint). The Windows CE loader calls it like WinMain:
@ r0 = process, r1 = 0, r2 = argument text (or null), r3 = show command; r0 on return is the exit code.
@ No C runtime start-up runs before it (nothing here needs one). The stack may be only 4-byte aligned
@ (Windows CE 6), while the AAPCS code that gcc emits assumes 8: realign, call, restore. The caller may be
@ Thumb code, so the return is bx lr (ARMv4T: ldm into pc would not change state).
        .syntax unified
        .arm
        .section .text.entry, "ax", %progbits
        .global TalvAgentEntry
        .type   TalvAgentEntry, %function
        .balign 4
TalvAgentEntry:
        push    {r4, lr}
        mov     r4, sp                  @ the caller's stack pointer, kept in a callee-saved register
        bic     sp, sp, #7              @ 8-byte aligned for the AAPCS
        bl      TalvAgentWinMain        @ ARM to ARM: a plain bl
        mov     sp, r4
        pop     {r4, lr}
        bx      lr
        .size   TalvAgentEntry, . - TalvAgentEntry
