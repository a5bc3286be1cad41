// The eight model arrays, back to back, straight from the generated file
// (tools/gen_models writes it; assets/models.cpp holds their counts).
        .section .rodata.kelvora_models, "a", @progbits
        .balign 16
        .globl kelvoraModelBlock
        .type kelvoraModelBlock, @object
kelvoraModelBlock:
        .incbin "models.bin"
        .size kelvoraModelBlock, . - kelvoraModelBlock

// Data only: the stack need not be executable.
        .section .note.GNU-stack, "", @progbits
