// Job context save and restore for x86-64 (System V calling convention).
//
// Context layout (80 bytes, see kernel/context.h):
//   0 rbx, 8 rbp, 16 r12, 24 r13, 32 r14, 40 r15, 48 rsp (after return), 56 return address,
//   64 MXCSR (32 bits), 68 x87 control word (16 bits), 70..79 unused.
//
// No signal mask is saved or restored: a switch is one save and one jump.

        .text

// int tsim_setjmp(tsim_context_t *context): saves the caller's context, returns 0.
// Returns again, with the value given to tsim_longjmp, when the context is resumed.
        .globl  tsim_setjmp
        .type   tsim_setjmp, @function
        .p2align 4
tsim_setjmp:
        .cfi_startproc
        movq    %rbx, 0(%rdi)
        movq    %rbp, 8(%rdi)
        movq    %r12, 16(%rdi)
        movq    %r13, 24(%rdi)
        movq    %r14, 32(%rdi)
        movq    %r15, 40(%rdi)
        leaq    8(%rsp), %rdx           // stack pointer as it will be after our return
        movq    %rdx, 48(%rdi)
        movq    (%rsp), %rdx            // return address
        movq    %rdx, 56(%rdi)
        stmxcsr 64(%rdi)
        fnstcw  68(%rdi)
        xorl    %eax, %eax
        ret
        .cfi_endproc
        .size   tsim_setjmp, .-tsim_setjmp

// void tsim_longjmp(tsim_context_t *context, int value): resumes a saved context; its
// tsim_setjmp then returns value.
        .globl  tsim_longjmp
        .type   tsim_longjmp, @function
        .p2align 4
tsim_longjmp:
        .cfi_startproc
        movq    0(%rdi), %rbx
        movq    8(%rdi), %rbp
        movq    16(%rdi), %r12
        movq    24(%rdi), %r13
        movq    32(%rdi), %r14
        movq    40(%rdi), %r15
        ldmxcsr 64(%rdi)
        fldcw   68(%rdi)
        movq    48(%rdi), %rsp
        movl    %esi, %eax
        jmpq    *56(%rdi)
        .cfi_endproc
        .size   tsim_longjmp, .-tsim_longjmp

// void tsim_call_aligned(void (*fn)(void *), void *arg): calls fn(arg) on a stack aligned to
// 32 bytes (a job's first frame).
        .globl  tsim_call_aligned
        .type   tsim_call_aligned, @function
        .p2align 4
tsim_call_aligned:
        .cfi_startproc
        pushq   %rbp
        .cfi_def_cfa_offset 16
        .cfi_offset %rbp, -16
        movq    %rsp, %rbp
        .cfi_def_cfa_register %rbp
        andq    $-32, %rsp
        movq    %rdi, %rax
        movq    %rsi, %rdi
        callq   *%rax
        leave
        .cfi_def_cfa %rsp, 8
        ret
        .cfi_endproc
        .size   tsim_call_aligned, .-tsim_call_aligned

        .section .note.GNU-stack,"",@progbits
