; lens.vs - the sprites of the Sun's lens flare.
;
; Vertex: position v0 (x, y, z), colour v1, texture coordinate v2.
; c2-c5   world x view x projection, transposed: one row per register
; c0.x    scale of the sprite in its own plane
; c1      colour of the sprite, alpha included (the flare's transparency)
; c0.yzw are not read (the pass leaves c0.w unset).
vs_1_1
dcl_position v0
dcl_color v1
dcl_texcoord v2
mul r0.xyz, v0, c0.x
mov r0.w, v0.w
m4x4 oPos, r0, c2
mul oD0, v1, c1
mov oT0, v2
