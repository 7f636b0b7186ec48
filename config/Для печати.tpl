{\rtf1\ansi\ansicpg1251\deff0\deflang1049
{\fonttbl{\f0\froman\fcharset204 $*env_fname*;}{\f1\fswiss\fcharset204 Arial;}{\f2\ftech\fcharset2 Symbol;}}
{\colortbl;\red0\green0\blue0;\red0\green0\blue0;}
\f0\fs$*env_fsize*
${for(env_istart, env_istart + env_icount - 1, 1)}$@dbs_print(_LV0)@$*dbs_go(_LV0)*
$@rec_content@{\pard\sb240\sa60\keepn\b $*rec_content*\par}
$@@{\pard\sb120\sa60\keepn $*dbs_rno(_LV0)*.$@dbs_pmark && dbs_mark(_LV0)@ (отмечен)$@@ $*rec_BIB*\par}
$@rec_AB@{\pard\sa120\li400\qj $*rec_AB*\par}
$@@$@@${}}
