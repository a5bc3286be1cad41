// The eight model arrays, back to back, straight from the generated file
// (tools/gen_models writes it; assets/models.cpp holds their counts).
// Written for both object formats the show is built for, ELF and PE/COFF:
// only directives both assemblers know, and a plain symbol name, which C++
// sees as extern "C" on both (64-bit Windows adds no underscore).
        .section .rodata, "a"
        .balign 16
        .globl kelvoraModelBlock
kelvoraModelBlock:
        .incbin "models.bin"
